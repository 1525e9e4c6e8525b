// How a sync-tracks fuzz target reports a broken promise: a line naming it, then an abort libFuzzer records.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s (%s)\n", what, detail.c_str());
    std::abort();
}
