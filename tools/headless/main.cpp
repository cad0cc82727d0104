// ravlin-headless: the emulator without a display, for scripts and tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/startup.h"
#include "platform/headless/headless_control.h"

int main(int argc, char** argv)
{
    long frames = 50;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::strtol(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: ravlin-headless [--frames N]\n");
            return 2;
        }
    }
    int exitCode = 0;
    if (!StartUp(1, &exitCode))
        return 1;
    while (static_cast<long>(HeadlessPresentedCount()) < frames) {
        if (!MainLoopPass(&exitCode))
            return exitCode;
    }
    return 0;
}
