// ravlin-headless: the emulator without a display, for scripts and tests.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "drive/hardware_drive.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "machine/version.h"
#include "platform/headless/headless_control.h"
#include "file_commands.h"
#include "runner.h"
#include "screen_text.h"

namespace {

// To standard error with exit code 2 for a mistake, to standard output
// with 0 when asked for.
int Usage(std::FILE* to = stderr)
{
    std::fprintf(to,
                 "usage: ravlin-headless [--frames N] [--screen-text] [--screenshot FILE.bmp]\n"
                 "                       [--type TEXT] [--script FILE] [--wav FILE.wav]\n"
                 "                       [--load FILE.prg|FILE.fre|IMAGE.d64|IMAGE.g64|TAPE.tap] [--run] [--disk PATH]\n"
                 "                       [--tape TAPE.tap] [--cart IMAGE[,SLOT]] [--save-snapshot FILE]\n"
                 "       ravlin-headless --version\n");
    return to == stderr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    long frames = 50;
    bool screenText = false;
    std::string screenshotPath;
    const char* screenshot = nullptr;
    std::string wavPath;
    RunPlan plan;
    std::string error;
    bool typed = false;
    FileOptions fileOptions;
    for (int i = 1; i < argc && error.empty(); i++) {
        bool hasValue = i + 1 < argc;
        if (ParseFileOption(argc, argv, i, plan, &typed, fileOptions, error)) {
        } else if (std::strcmp(argv[i], "--help") == 0) {
            return Usage(stdout);
        } else if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
            if (!ParseFrameCount(argv[++i], frames))
                error = std::string("--frames ") + FrameCountRule;
        } else if (std::strcmp(argv[i], "--screen-text") == 0) {
            screenText = true;
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && hasValue) {
            screenshotPath = StartDirectoryPath(argv[++i]);
            screenshot = screenshotPath.c_str();
        } else if (std::strcmp(argv[i], "--type") == 0 && hasValue) {
            // Typing starts once the machine has booted.
            if (!typed)
                plan.push_back({RunStep::Wait, BootFrames, nullptr, {}});
            typed = true;
            AddTyping(argv[++i], plan, error);
        } else if (std::strcmp(argv[i], "--script") == 0 && hasValue) {
            AddScriptFile(argv[++i], plan, error);
        } else if (std::strcmp(argv[i], "--wav") == 0 && hasValue) {
            wavPath = StartDirectoryPath(argv[++i]);
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ravlin-headless %s\n", RavlinVersion);
            return 0;
        } else {
            return Usage();
        }
    }
    if (error.empty())
        FinishFileOptions(plan, fileOptions, error);
    if (!error.empty()) {
        std::fprintf(stderr, "ravlin-headless: %s\n", error.c_str());
        return 2;
    }
    HeadlessCaptureAudio(!wavPath.empty() || PlanWritesWav(plan));
    // The runner looks at pictures only from its plan's steps, at ticks.
    HeadlessDrawOnDemand(true);

    // What is written once the run is over.
    auto atEnd = [&] {
        TapeDetach();   // a recording still running reaches its file
        std::string driveProblem;
        if (!HardwareDriveSave(&driveProblem))   // and what the 1541 wrote, its image
            std::fprintf(stderr, "ravlin-headless: %s\n", driveProblem.c_str());
        if (!SaveSnapshotAtEnd(fileOptions))
            std::exit(1);
        if (!wavPath.empty() && !WriteWavFile(wavPath, RunSound(), HeadlessAudioRate)) {
            std::fprintf(stderr, "ravlin-headless: %s\n", CannotWriteMessage(wavPath).c_str());
            std::exit(1);
        }
        if (screenText)
            std::fputs(ScreenText().c_str(), stdout);
        if (screenshot && !WriteFrameBufferBmp(screenshot)) {
            std::fprintf(stderr, "ravlin-headless: %s\n", CannotWriteMessage(screenshot).c_str());
            std::exit(1);
        }
    };
    int exitCode = 0;
    if (!StartUp(1, &exitCode))
        return 1;
    // The run ends from inside a frame tick, once the plan is done and
    // `frames` frames have passed.
    StartRun(std::move(plan), frames, atEnd);
    while (RunMainLoop(&exitCode)) {
    }
    // The machine was quit before the run was over; its memory is gone.
    screenText = false;
    screenshot = nullptr;
    atEnd();
    return exitCode;
}
