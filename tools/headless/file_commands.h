// The runner's file features: loading a program or snapshot as the load
// menu does, typing RUN, attaching drive 8 and starting a disk's first
// program, saving a snapshot, and writing the screenshot file that F6
// writes.  Each prints its own error to standard error and returns
// false on failure.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runner.h"
#include "tape/datassette.h"

// A ".prg" or ".fre" name (extension in any case) loaded with the loader the
// load menu uses for it; a ".d64" is attached and BASIC loads its first
// program (LOAD"*",8 through the keyboard buffer).
bool LoadFileAsLoadMenu(const std::string& name);
bool SaveSnapshotTo(const std::string& name);
// The file WriteScreenshot writes (the 320 x 200 window), under this name.
bool ScreenshotWindowTo(const std::string& name);
// Attaches a disk image or a host folder as drive 8.
bool AttachDisk(const std::string& path);
// Puts a TAP image in the datassette (a missing one is a new, empty tape).
bool AttachTape(const std::string& path);
// A key of the datassette; false (and a message) with no tape in, or
// record on a write-protected one.
bool PressTapeKey(DeckKey key);

// Command-line options --load FILE, --run, --disk PATH and --save-snapshot
// FILE.  The load (after the boot wait, as --type) and the typed RUN join the
// plan where --load stands; a .d64 given to --load is attached and its first
// program loaded (and run) by BASIC itself.  --disk attaches at power-on,
// wherever it stands; the snapshot is saved when the run ends.
struct FileOptions {
    long loadStep = -1;         // index in the plan just after the load step
    bool loadIsProgram = false;
    bool loadIsDisk = false;
    bool run = false;
    std::string disk;
    std::string tape;
    std::vector<std::pair<std::string, int>> cartridges;   // image, slot
    std::string saveSnapshot;
};

// Consumes argv[i] and its argument when it is a file option (returns true);
// a missing argument sets error.  *bootWaited tells whether the plan already
// waits for the boot, and is set when this adds the wait.
bool ParseFileOption(int argc, char** argv, int& i, RunPlan& plan, bool* bootWaited,
                     FileOptions& options, std::string& error);
// After all options: places the typed RUN and the attaching of --disk; false
// with an error for a --run that has no program load to follow.
bool FinishFileOptions(RunPlan& plan, FileOptions& options, std::string& error);
// At the end of the run.
bool SaveSnapshotAtEnd(const FileOptions& options);

// The script commands load FILE, run, disk PATH, save-snapshot FILE and
// screenshot-window FILE.  Returns false when the command is not one of
// them; *ok is false (with message) when it is, but is malformed.
bool AddFileCommand(std::string_view command, std::string_view rest, RunPlan& plan, bool* ok,
                    std::string& message);
