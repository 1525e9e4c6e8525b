// moriq-capture: the demo rendered offline (see CaptureTool.h and the usage it prints).
#include "CaptureTool.h"

int main(int argc, char** argv) {
    return captureMain(argc, argv, Timeline::demo());
}
