#include "platform/start_file.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "drive/autostart.h"
#include "files/program_file.h"
#include "cartridge/cartridge.h"
#include "files/snapshot_file.h"
#include "machine/machine_state.h"
#include "platform/desktop.h"
#include "platform/key_input.h"
#include "tape/datassette.h"
#include "tape/tape_start.h"

uint16_t StartFileRequest = 0;
bool StartFileWaiting = false;

namespace {

std::string WaitingPath;

bool HasExtension(const std::string& name, const char* extension)
{
    size_t length = std::strlen(extension);
    return name.size() > length && strcasecmp(name.c_str() + name.size() - length, extension) == 0;
}

// The sizes a 35- or 40-track disk image has, without and with its error bytes.
bool IsDiskImageSize(off_t size) { return size == 174848 || size == 175531 || size == 196608 || size == 197376; }

// A disk image goes into drive 8, and BASIC loads its first program from
// there (and runs it) as typed at the keyboard.
bool StartDiskImage(const std::string& path, bool run, std::string* problem)
{
    std::string message;
    if (StartDiskProgram(path, run, &message))
        return true;
    *problem = path + ": " + message;
    return false;
}

bool StartTapeImage(const std::string& path, bool run, std::string* problem)
{
    std::string message;
    if (StartTapeProgram(path, run, &message))
        return true;
    *problem = path + ": " + message;
    return false;
}

bool StartCartridge(const std::string& path, std::string* problem)
{
    std::string message;
    if (!CartridgeAttach(path, 1, &message)) {
        *problem = message;
        return false;
    }
    HardResetRequest = 1;   // plugged in with the power off
    return true;
}

}  // namespace

StartFileKind ExamineStartFile(const std::string& path, std::string* problem)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        *problem = path + ": no such file";
        return StartFileKind::Unknown;
    }
    if (S_ISDIR(info.st_mode)) {
        *problem = path + ": is a directory";
        return StartFileKind::Unknown;
    }
    if (!S_ISREG(info.st_mode)) {
        *problem = path + ": not a regular file";
        return StartFileKind::Unknown;
    }
    if (access(path.c_str(), R_OK) != 0) {
        *problem = path + ": cannot be read";
        return StartFileKind::Unknown;
    }
    if (info.st_size == 0) {
        *problem = path + ": is empty";
        return StartFileKind::Unknown;
    }
    if (HasExtension(path, ".prg")) {
        // One that would run past the end of memory is refused whole, here
        // as by every other load.
        uint8_t address[2] = {};
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            const size_t got = std::fread(address, 1, sizeof address, file);
            std::fclose(file);
            const std::string why = ProgramLoadProblem(address, got < 2 ? got : static_cast<uint64_t>(info.st_size));
            if (!why.empty()) {
                *problem = path + ": " + why;
                return StartFileKind::Unknown;
            }
        }
        return StartFileKind::Program;
    }
    if (HasExtension(path, ".fre") || (!HasExtension(path, ".d64") && info.st_size == SnapshotFileSize))
        return StartFileKind::Snapshot;
    if (HasExtension(path, ".d64") || HasExtension(path, ".g64") || IsDiskImageSize(info.st_size))
        return StartFileKind::DiskImage;
    if (HasExtension(path, ".tap")) {
        if (DatassettePresent())
            return StartFileKind::TapeImage;
        *problem = path + ": " + DatassetteAbsentReason();
        return StartFileKind::Unknown;
    }
    if (HasExtension(path, ".bin") || HasExtension(path, ".rom") || HasExtension(path, ".crt"))
        return StartFileKind::Cartridge;
    *problem = path + ": not a .prg, .fre, .d64, .g64, .tap or cartridge (.bin, .rom) file";
    return StartFileKind::Unknown;
}

bool StartFileNow(const std::string& path, bool run, std::string* problem)
{
    switch (ExamineStartFile(path, problem)) {
    case StartFileKind::Program:
        if (!LoadProgramFile(path.c_str())) {
            *problem = path + ": cannot be loaded";
            return false;
        }
        if (run)
            KeyInputTypeText("RUN\r");
        return true;
    case StartFileKind::Snapshot:
        if (!LoadSnapshotFile(path.c_str())) {
            *problem = path + ": not a snapshot file";
            return false;
        }
        return true;
    case StartFileKind::DiskImage:
        return StartDiskImage(path, run, problem);
    case StartFileKind::TapeImage:
        return StartTapeImage(path, run, problem);
    case StartFileKind::Cartridge:
        return StartCartridge(path, problem);
    case StartFileKind::Unknown:
        return false;
    }
    return false;
}

bool RequestStartFile(const std::string& path)
{
    std::string problem;
    if (ExamineStartFile(path, &problem) == StartFileKind::Unknown) {
        ShowTitleMessage(problem);
        return false;
    }
    // The load menu may change the current directory before the file starts.
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    WaitingPath = error ? path : absolute.string();
    StartFileWaiting = true;
    return true;
}

void CheckStartFileDue()
{
    if (StartFileWaiting && Ted.FramesCompleted >= StartFileBootFrames)
        StartFileRequest = 1;
}

void StartRequestedFile()
{
    StartFileRequest = 0;
    StartFileWaiting = false;
    std::string problem;
    if (!StartFileNow(WaitingPath, true, &problem))
        ShowTitleMessage(problem);
    WaitingPath.clear();
}

void ResetStartFileState()
{
    StartFileRequest = 0;
    StartFileWaiting = false;
    WaitingPath.clear();
}
