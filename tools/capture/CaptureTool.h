// The capture tool's command line over a play list: moriq-capture runs it with the demo's, the capture
// tests with a short list of their own.
#pragma once

#include "Timeline.h"

// Parses the arguments and runs the mode they ask for; returns the process's exit status.
int captureMain(int argc, char** argv, const Timeline& timeline);
