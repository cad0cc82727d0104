// ravlin-headless: the emulator without a display, for scripts and tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "screen_text.h"

namespace {

// A whole non-negative decimal number, nothing else.
bool ParseCount(const char* text, long* count)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0)
        return false;
    *count = value;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    long frames = 50;
    bool screenText = false;
    const char* screenshot = nullptr;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc && ParseCount(argv[i + 1], &frames)) {
            i++;
        } else if (std::strcmp(argv[i], "--screen-text") == 0) {
            screenText = true;
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: ravlin-headless [--frames N] [--screen-text] [--screenshot FILE.bmp]\n");
            return 2;
        }
    }
    int exitCode = 0;
    if (!StartUp(1, &exitCode))
        return 1;
    while (static_cast<long>(Ted.FramesCompleted) < frames) {
        if (!MainLoopPass(&exitCode))
            return exitCode;
    }
    if (screenText)
        std::fputs(ScreenText().c_str(), stdout);
    if (screenshot && !WriteFrameBufferBmp(screenshot)) {
        std::fprintf(stderr, "ravlin-headless: cannot write %s\n", screenshot);
        return 1;
    }
    return 0;
}
