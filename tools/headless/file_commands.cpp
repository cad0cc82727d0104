#include "file_commands.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "files/program_file.h"
#include "files/screenshot.h"
#include "files/snapshot_file.h"

FileOptions RunnerFileOptions;

namespace {

bool HasExtension(const std::string& name, const char* extension)
{
    size_t length = std::strlen(extension);
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, extension) == 0;
}

}  // namespace

bool LoadFileAsLoadMenu(const std::string& name, bool* wasProgram)
{
    bool program = HasExtension(name, ".prg");
    if (wasProgram)
        *wasProgram = program;
    bool loaded;
    if (program) {
        loaded = LoadProgramFile(name.c_str());
    } else if (HasExtension(name, ".fre")) {
        loaded = LoadSnapshotFile(name.c_str());
    } else {
        std::fprintf(stderr, "ravlin-headless: %s: not a .prg or .fre file\n", name.c_str());
        return false;
    }
    if (!loaded)
        std::fprintf(stderr, "ravlin-headless: %s: cannot be loaded\n", name.c_str());
    return loaded;
}

bool SaveSnapshotTo(const std::string& name)
{
    if (SaveSnapshotFile(name.c_str()))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s: cannot save the snapshot\n", name.c_str());
    return false;
}

bool ScreenshotWindowTo(const std::string& name)
{
    if (WriteScreenshotTo(name.c_str()))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s: cannot write the screenshot\n", name.c_str());
    return false;
}

bool ParseFileOption(int argc, char** argv, int& i, bool* bad)
{
    const char* option = argv[i];
    std::string* target = nullptr;
    if (std::strcmp(option, "--run") == 0) {
        RunnerFileOptions.run = true;
        return true;
    }
    if (std::strcmp(option, "--load") == 0)
        target = &RunnerFileOptions.load;
    else if (std::strcmp(option, "--save-snapshot") == 0)
        target = &RunnerFileOptions.saveSnapshot;
    else
        return false;
    if (i + 1 >= argc) {
        std::fprintf(stderr, "ravlin-headless: %s needs a file name\n", option);
        *bad = true;
        return true;
    }
    *target = argv[++i];
    return true;
}
