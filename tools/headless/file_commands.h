// The runner's file features: loading a program or snapshot as the load
// menu does, saving a snapshot, and writing the screenshot file.  Each
// prints its own error to standard error and returns false on failure.
#pragma once
#include <string>

// A ".prg" or ".fre" name (extension in any case) loaded with the loader the
// load menu would use for it.  Sets *wasProgram when it was a program file.
bool LoadFileAsLoadMenu(const std::string& name, bool* wasProgram = nullptr);
bool SaveSnapshotTo(const std::string& name);
// The file WriteScreenshot writes (the 320 x 200 window), under this name.
bool ScreenshotWindowTo(const std::string& name);

// The command-line options --load FILE, --run and --save-snapshot FILE.
struct FileOptions {
    std::string load;
    bool run = false;
    std::string saveSnapshot;
};
extern FileOptions RunnerFileOptions;

// Consumes argv[i] (and its argument) when it is one of the file options.
// Returns false for other options; sets *bad when the argument is missing.
bool ParseFileOption(int argc, char** argv, int& i, bool* bad);
