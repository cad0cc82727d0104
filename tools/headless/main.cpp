// ravlin-headless: the emulator without a display, for scripts and tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "runner.h"
#include "screen_capture.h"

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

int Usage()
{
    std::fprintf(stderr,
                 "usage: ravlin-headless [--frames N] [--type TEXT] [--script FILE] [--wav FILE]\n"
                 "                       [--screen-text] [--screenshot FILE.bmp]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    long frames = 50;
    std::string wavPath;
    bool screenText = false;
    std::string screenshotPath;
    RunPlan plan;
    std::string error;
    bool typed = false;
    for (int i = 1; i < argc; i++) {
        bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--frames") == 0 && hasValue && ParseCount(argv[i + 1], &frames)) {
            i++;
        } else if (std::strcmp(argv[i], "--type") == 0 && hasValue) {
            if (!typed)
                plan.push_back({RunStep::Wait, BootFrames, nullptr, {}});
            typed = true;
            if (!AddTyping(argv[++i], plan, error))
                break;
        } else if (std::strcmp(argv[i], "--script") == 0 && hasValue) {
            if (!AddScriptFile(argv[++i], plan, error))
                break;
        } else if (std::strcmp(argv[i], "--wav") == 0 && hasValue) {
            wavPath = argv[++i];
        } else if (std::strcmp(argv[i], "--screen-text") == 0) {
            screenText = true;
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && hasValue) {
            screenshotPath = argv[++i];
        } else {
            return Usage();
        }
    }
    if (!error.empty()) {
        std::fprintf(stderr, "ravlin-headless: %s\n", error.c_str());
        return 2;
    }
    HeadlessCaptureAudio(!wavPath.empty() || PlanWritesWav(plan));

    auto atEnd = [wavPath, screenText, screenshotPath] {
        if (!wavPath.empty() && !WriteWavFile(wavPath, HeadlessAudio(), HeadlessAudioRate)) {
            std::fprintf(stderr, "ravlin-headless: cannot write %s\n", wavPath.c_str());
            std::exit(1);
        }
        if (screenText && !WriteScreenText(""))
            std::exit(1);
        if (!screenshotPath.empty() && !WriteScreenshotFile(screenshotPath))
            std::exit(1);
    };
    int exitCode = 0;
    if (!StartUp(1, &exitCode))
        return 1;
    StartRun(std::move(plan), frames, atEnd);
    while (MainLoopPass(&exitCode)) {
    }
    // The machine was quit (F12) before the run was over.
    atEnd();
    return exitCode;
}
