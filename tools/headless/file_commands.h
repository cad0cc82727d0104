// The runner's file features: loading a program or snapshot as the load
// menu does, typing RUN, saving a snapshot, and writing the screenshot file
// that F6 writes.  Each prints its own error to standard error and returns
// false on failure.
#pragma once
#include <string>
#include <string_view>

#include "runner.h"

// A ".prg" or ".fre" name (extension in any case) loaded with the loader the
// load menu uses for it.
bool LoadFileAsLoadMenu(const std::string& name);
bool SaveSnapshotTo(const std::string& name);
// The file WriteScreenshot writes (the 320 x 200 window), under this name.
bool ScreenshotWindowTo(const std::string& name);

// Command-line options --load FILE, --run and --save-snapshot FILE.  The load
// (after the boot wait, as --type) and the typed RUN join the plan where
// --load stands; the snapshot is saved when the run ends.
struct FileOptions {
    long loadStep = -1;         // index in the plan just after the load step
    bool loadIsProgram = false;
    bool run = false;
    std::string saveSnapshot;
};

// Consumes argv[i] and its argument when it is a file option (returns true);
// a missing argument sets error.  *bootWaited tells whether the plan already
// waits for the boot, and is set when this adds the wait.
bool ParseFileOption(int argc, char** argv, int& i, RunPlan& plan, bool* bootWaited,
                     FileOptions& options, std::string& error);
// After all options: places the typed RUN; false with an error for a --run
// that has no program load to follow.
bool FinishFileOptions(RunPlan& plan, FileOptions& options, std::string& error);
// At the end of the run.
bool SaveSnapshotAtEnd(const FileOptions& options);

// The script commands load FILE, run, save-snapshot FILE and
// screenshot-window FILE.  Returns false when the command is not one of
// them; *ok is false (with message) when it is, but is malformed.
bool AddFileCommand(std::string_view command, std::string_view rest, RunPlan& plan, bool* ok,
                    std::string& message);
