#include "file_commands.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "files/program_file.h"
#include "files/screenshot.h"
#include "files/snapshot_file.h"
#include "platform/start_file.h"

namespace {

bool HasExtension(const std::string& name, const char* extension)
{
    size_t length = std::strlen(extension);
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, extension) == 0;
}

void AddAction(RunPlan& plan, std::function<bool()> action)
{
    RunStep step{RunStep::Action, 0, nullptr, {}};
    step.action = std::move(action);
    plan.push_back(std::move(step));
}

}  // namespace

bool LoadFileAsLoadMenu(const std::string& name)
{
    // As ravlin starts a file, without typing RUN (the plan types it).
    std::string problem;
    if (!HasExtension(name, ".prg") && !HasExtension(name, ".fre"))
        problem = name + ": not a .prg or .fre file";
    else if (StartFileNow(name, false, &problem))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s\n", problem.c_str());
    return false;
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

bool ParseFileOption(int argc, char** argv, int& i, RunPlan& plan, bool* bootWaited,
                     FileOptions& options, std::string& error)
{
    const char* option = argv[i];
    if (std::strcmp(option, "--run") == 0) {
        options.run = true;
        return true;
    }
    bool load = std::strcmp(option, "--load") == 0;
    if (!load && std::strcmp(option, "--save-snapshot") != 0)
        return false;
    if (i + 1 >= argc) {
        error = std::string(option) + " needs a file name";
        return true;
    }
    const std::string given = argv[++i];
    const std::string name = StartDirectoryPath(given);
    if (!load) {
        options.saveSnapshot = name;
        return true;
    }
    if (options.loadStep >= 0) {
        error = "only one --load";
        return true;
    }
    if (!HasExtension(name, ".prg") && !HasExtension(name, ".fre")) {
        error = given + ": --load takes a .prg or .fre file";
        return true;
    }
    if (!*bootWaited)
        plan.push_back({RunStep::Wait, BootFrames, nullptr, {}});
    *bootWaited = true;
    AddAction(plan, [name] { return LoadFileAsLoadMenu(name); });
    options.loadStep = static_cast<long>(plan.size());
    options.loadIsProgram = HasExtension(name, ".prg");
    return true;
}

bool FinishFileOptions(RunPlan& plan, FileOptions& options, std::string& error)
{
    if (!options.run)
        return true;
    if (options.loadStep < 0 || !options.loadIsProgram) {
        error = "--run needs --load with a .prg file";
        return false;
    }
    RunPlan typing;
    if (!AddTyping("RUN\n", typing, error))
        return false;
    plan.insert(plan.begin() + options.loadStep, typing.begin(), typing.end());
    return true;
}

bool SaveSnapshotAtEnd(const FileOptions& options)
{
    return options.saveSnapshot.empty() || SaveSnapshotTo(options.saveSnapshot);
}

bool AddFileCommand(std::string_view command, std::string_view rest, RunPlan& plan, bool* ok,
                    std::string& message)
{
    *ok = true;
    if (command == "run") {
        if (!rest.empty()) {
            message = "run takes nothing after it";
            *ok = false;
            return true;
        }
        *ok = AddTyping("RUN\n", plan, message);
        return true;
    }
    bool (*action)(const std::string&) = nullptr;
    if (command == "load")
        action = LoadFileAsLoadMenu;
    else if (command == "save-snapshot")
        action = SaveSnapshotTo;
    else if (command == "screenshot-window")
        action = ScreenshotWindowTo;
    else
        return false;
    if (rest.empty()) {
        message = std::string(command) + " needs a file name";
        *ok = false;
        return true;
    }
    std::string name = StartDirectoryPath(rest);
    AddAction(plan, [action, name] { return action(name); });
    return true;
}
