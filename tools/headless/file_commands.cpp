#include "file_commands.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "cartridge/cartridge.h"
#include "drive/autostart.h"
#include "drive/drive.h"
#include "files/program_file.h"
#include "files/safe_save.h"
#include "files/screenshot.h"
#include "files/snapshot_file.h"
#include "platform/start_file.h"
#include "tape/datassette.h"
#include "tape/tape_start.h"

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

// tape PATH | play | record | stop | rewind | forward
bool AddTapeCommand(std::string_view rest, RunPlan& plan, bool* ok, std::string& message)
{
    static constexpr struct {
        const char* word;
        DeckKey key;
    } Keys[] = {{"play", DeckKey::Play},       {"record", DeckKey::Record},       {"stop", DeckKey::Stop},
                {"rewind", DeckKey::Rewind}, {"forward", DeckKey::FastForward}};
    if (rest.empty()) {
        message = "tape needs a file name or play, record, stop, rewind or forward";
        *ok = false;
        return true;
    }
    for (const auto& k : Keys)
        if (rest == k.word) {
            AddAction(plan, [key = k.key] { return PressTapeKey(key); });
            return true;
        }
    std::string name = StartDirectoryPath(rest);
    AddAction(plan, [name] { return AttachTape(name); });
    return true;
}

}  // namespace

bool LoadFileAsLoadMenu(const std::string& name)
{
    // As ravlin starts a file, without typing RUN (the plan types it).
    std::string problem;
    if (!HasExtension(name, ".prg") && !HasExtension(name, ".fre") && !HasExtension(name, ".d64") &&
        !HasExtension(name, ".g64") && !HasExtension(name, ".tap"))
        problem = name + ": not a .prg, .fre, .d64, .g64 or .tap file";
    else if (StartFileNow(name, false, &problem))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s\n", problem.c_str());
    return false;
}

bool AttachDisk(const std::string& path)
{
    std::string message;
    if (DriveAttach(path, &message))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s: %s\n", path.c_str(), message.c_str());
    return false;
}

bool AttachTape(const std::string& path)
{
    std::string message;
    if (TapeAttach(path, &message))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s: %s\n", path.c_str(), message.c_str());
    return false;
}

bool PressTapeKey(DeckKey key)
{
    if (TapePressKey(key))
        return true;
    std::fprintf(stderr, "ravlin-headless: tape: %s\n",
                 !TapeAttached() ? "no tape is in the datassette" : "the tape is write-protected");
    return false;
}

bool SaveSnapshotTo(const std::string& name)
{
    if (SaveSnapshotFile(name.c_str()))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s: cannot save the snapshot: %s\n", name.c_str(), SaveFailureReason().c_str());
    return false;
}

bool ScreenshotWindowTo(const std::string& name)
{
    if (WriteScreenshotTo(name.c_str()))
        return true;
    std::fprintf(stderr, "ravlin-headless: %s: cannot write the screenshot: %s\n", name.c_str(),
                 SaveFailureReason().c_str());
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
    bool disk = std::strcmp(option, "--disk") == 0;
    bool tape = std::strcmp(option, "--tape") == 0;
    bool cart = std::strcmp(option, "--cart") == 0;
    if (!load && !disk && !tape && !cart && std::strcmp(option, "--save-snapshot") != 0)
        return false;
    if (i + 1 >= argc) {
        error = std::string(option) + (disk ? " needs an image or a folder" : " needs a file name");
        return true;
    }
    const std::string given = argv[++i];
    if (cart) {
        // IMAGE or IMAGE,SLOT: a slot is a digit after the last comma (a
        // name may hold commas of its own); a digit other than 1 or 2 is
        // refused.
        int slot = 1;
        std::string image = given;
        const size_t comma = given.rfind(',');
        if (comma != std::string::npos && comma + 2 == given.size() && given[comma + 1] >= '0' &&
            given[comma + 1] <= '9') {
            slot = given[comma + 1] - '0';
            image = given.substr(0, comma);
            if (slot != 1 && slot != 2) {
                error = "--cart takes IMAGE or IMAGE,SLOT with slot 1 or 2";
                return true;
            }
        }
        options.cartridges.emplace_back(StartDirectoryPath(image), slot);
        return true;
    }
    const std::string name = StartDirectoryPath(given);
    if (disk) {
        options.disk = name;
        return true;
    }
    if (tape) {
        options.tape = name;
        return true;
    }
    if (!load) {
        options.saveSnapshot = name;
        return true;
    }
    if (options.loadStep >= 0) {
        error = "only one --load";
        return true;
    }
    options.loadIsDisk = HasExtension(name, ".d64") || HasExtension(name, ".g64") || HasExtension(name, ".tap");
    if (!HasExtension(name, ".prg") && !HasExtension(name, ".fre") && !options.loadIsDisk) {
        error = given + ": --load takes a .prg, .fre, .d64, .g64 or .tap file";
        return true;
    }
    if (!*bootWaited)
        plan.push_back({RunStep::Wait, BootFrames, nullptr, {}});
    *bootWaited = true;
    if (options.loadIsDisk) {
        // --run may still follow on the command line: read it when the
        // machine is up.
        const bool* run = &options.run;
        const bool isTape = HasExtension(name, ".tap");
        AddAction(plan, [name, run, isTape] {
            std::string message;
            if (isTape ? StartTapeProgram(name, *run, &message) : StartDiskProgram(name, *run, &message))
                return true;
            std::fprintf(stderr, "ravlin-headless: %s: %s\n", name.c_str(), message.c_str());
            return false;
        });
    } else {
        AddAction(plan, [name] { return LoadFileAsLoadMenu(name); });
    }
    options.loadStep = static_cast<long>(plan.size());
    options.loadIsProgram = HasExtension(name, ".prg");
    return true;
}

bool FinishFileOptions(RunPlan& plan, FileOptions& options, std::string& error)
{
    // Plugged in before the first instruction: the KERNAL's reset finds them.
    for (const auto& cartridge : options.cartridges) {
        RunStep attach{RunStep::Action, 0, nullptr, {}};
        attach.action = [image = cartridge.first, slot = cartridge.second] {
            std::string message;
            if (CartridgeAttach(image, slot, &message))
                return true;
            std::fprintf(stderr, "ravlin-headless: %s\n", message.c_str());
            return false;
        };
        plan.insert(plan.begin(), std::move(attach));
        if (options.loadStep >= 0)
            options.loadStep++;
    }
    if (!options.tape.empty()) {
        RunStep attach{RunStep::Action, 0, nullptr, {}};
        attach.action = [path = options.tape] { return AttachTape(path); };
        plan.insert(plan.begin(), std::move(attach));
        if (options.loadStep >= 0)
            options.loadStep++;
    }
    if (!options.disk.empty()) {
        RunStep attach{RunStep::Action, 0, nullptr, {}};
        // The drive is there from power-on, and says so on its error channel.
        attach.action = [path = options.disk] {
            if (!AttachDisk(path))
                return false;
            DriveReset();
            return true;
        };
        plan.insert(plan.begin(), std::move(attach));
        if (options.loadStep >= 0)
            options.loadStep++;
    }
    // BASIC runs the disk's program itself once it has loaded.
    if (!options.run || options.loadIsDisk)
        return true;
    if (options.loadStep < 0 || !options.loadIsProgram) {
        error = "--run needs --load with a .prg file, a .d64 image or a .tap image";
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
        plan.push_back({RunStep::AwaitBasic, 0, nullptr, {}});
        *ok = AddTyping("RUN\n", plan, message);
        return true;
    }
    if (command == "tape")
        return AddTapeCommand(rest, plan, ok, message);
    bool (*action)(const std::string&) = nullptr;
    if (command == "load")
        action = LoadFileAsLoadMenu;
    else if (command == "disk")
        action = AttachDisk;
    else if (command == "save-snapshot")
        action = SaveSnapshotTo;
    else if (command == "screenshot-window")
        action = ScreenshotWindowTo;
    else
        return false;
    if (rest.empty()) {
        message = std::string(command) + (command == "disk" ? " needs an image or a folder" : " needs a file name");
        *ok = false;
        return true;
    }
    std::string name = StartDirectoryPath(rest);
    // A program loaded before BASIC is up would have its pointers reset by
    // BASIC's start: it waits, as --load does.
    if (command == "load")
        plan.push_back({RunStep::AwaitBasic, 0, nullptr, {}});
    AddAction(plan, [action, name] { return action(name); });
    return true;
}
