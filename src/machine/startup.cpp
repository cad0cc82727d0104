#include "machine/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cpu/cpu.h"
#include "drive/hardware_drive.h"
#include "machine/log.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/open_rom.h"
#include "machine/settings.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/setup.h"
#include "platform/start_file.h"
#include "tape/datassette.h"

namespace {

// Where the ROM images are looked for, in order: the current directory,
// $RAVLIN_ROM_DIR, then the user's data directory.
std::vector<std::string> RomPlaces()
{
    std::vector<std::string> places = {"."};
    const char* named = std::getenv("RAVLIN_ROM_DIR");
    if (named && *named)
        places.push_back(named);
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && *data)
        places.push_back(std::string(data) + "/ravlin/roms");
    else
        places.push_back(std::string(home ? home : "") + "/.local/share/ravlin/roms");
    return places;
}

std::string RomPlaceList()
{
    std::string list;
    for (const std::string& place : RomPlaces())
        list += (list.empty() ? "" : ", ") + place;
    return list;
}

// Reads up to one ROM image by its bare name, from the first place that has
// it, into image.  Returns -1 when the file opens nowhere, else the number
// of bytes read (a short file leaves the rest of the image as it was: zero).
long LoadRomImage(const char* fileName, uint8_t* image)
{
    for (const std::string& place : RomPlaces()) {
        std::string path = place == "." ? std::string(fileName) : place + "/" + fileName;
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            continue;
        size_t bytes = std::fread(image, 1, RomSize, file);
        std::fclose(file);
        return static_cast<long>(bytes);
    }
    return -1;
}

// A start-up that cannot go on is a failure of the program: exit code 1.
constexpr int FatalExitCode = 1;

bool Fail(const char* text, int* exitCode)
{
    ReportError(nullptr, 0, "%s", text);
    *exitCode = FatalExitCode;
    return false;
}

// What became of a required image: found and read, not found anywhere
// (the open ROM can stand in), or a failure already reported.
enum class RomOutcome { Loaded, Missing, Failed };

RomOutcome LoadRequiredRom(const char* fileName, uint8_t* image, const char* upperName, int* exitCode)
{
    long bytes = LoadRomImage(fileName, image);
    char text[512];
    if (bytes < 0) {
        LogLine("Warning: File not found: %s (looked in %s).\n", upperName, RomPlaceList().c_str());
        return RomOutcome::Missing;
    }
    LogLine("Info: %s successfully opened.\n", upperName);
    if (bytes == 0) {
        LogLine("Error: Error while loading %s.\n", upperName);
        std::snprintf(text, sizeof text, "Ravlin Error: Error while loading %s", upperName);
        Fail(text, exitCode);
        return RomOutcome::Failed;
    }
    LogLine("Info: %s successfully loaded.\n", upperName);
    return RomOutcome::Loaded;
}

// Ravlin's own ROM in both windows: the command line where BASIC would be,
// its KERNAL above.
void UseOpenRom()
{
    std::memcpy(BasicRom, OpenRomImage, RomSize);
    std::memcpy(KernalRom, OpenRomImage + RomSize, RomSize);
    FunctionRomHalves = 0;
}

// What is said once (log, standard error, title) when the open ROM stands
// in for the images: the one that is missing, or that neither is there.
std::string MissingRomNotice(bool basicMissing, bool kernalMissing)
{
    if (basicMissing && kernalMissing)
        return OpenRomNotice;
    return std::string(basicMissing ? "basic.bin" : "kernal.bin") + " not found: running Ravlin's open ROM";
}

// Loads BASIC and the KERNAL, or puts the open ROM in their place when
// OpenRom=1 asks for it or either image is nowhere to be found (*notice
// then says which).  False after a failure (an image that is there but
// can't be read).
bool LoadSystemRoms(int* exitCode, bool* openRom, std::string* notice)
{
    *openRom = Config.OpenRom == 1;
    if (*openRom) {
        LogLine("Info: OpenRom=1: running Ravlin's open ROM.\n");
        UseOpenRom();
        return true;
    }
    const RomOutcome basic = LoadRequiredRom("basic.bin", BasicRom, "BASIC.BIN", exitCode);
    if (basic == RomOutcome::Failed)
        return false;
    const RomOutcome kernal = LoadRequiredRom("kernal.bin", KernalRom, "KERNAL.BIN", exitCode);
    if (kernal == RomOutcome::Failed)
        return false;
    if (basic == RomOutcome::Missing || kernal == RomOutcome::Missing) {
        *notice = MissingRomNotice(basic == RomOutcome::Missing, kernal == RomOutcome::Missing);
        LogLine("Info: %s.\n", notice->c_str());
        *openRom = true;
        UseOpenRom();
    }
    return true;
}

void LoadFunctionRom(const char* fileName, uint8_t* image)
{
    long bytes = LoadRomImage(fileName, image);
    if (bytes < 0) {
        LogLine("Warning: %s not found.\n", fileName);
        return;
    }
    if (bytes > 0)
        FunctionRomHalves++;
    LogLine("Info: %s successfully loaded.\n", fileName);
}

// The 1541's DOS ROM, from where the system ROMs are found: with it and
// Drive8=1, disk images go into a 1541 on the serial bus.
void LoadDriveRom()
{
    std::vector<uint8_t> image(RomSize);
    const long bytes = LoadRomImage("dos1541.bin", image.data());
    if (bytes < 0) {
        SetHardwareDriveRom(nullptr, 0);   // the built-in drive, as always: nothing to say
        return;
    }
    if (!SetHardwareDriveRom(image.data(), static_cast<size_t>(bytes))) {
        LogLine("Warning: dos1541.bin is not 16384 bytes: drive 8 is the built-in drive.\n");
        return;
    }
    LogLine("Info: dos1541.bin successfully loaded%s.\n", Config.Drive8 == 1 ? ": disk images go into a 1541" : "");
}

void SetPriorityFromSettings()
{
    SavedPriorityClass = GetPriorityClass();
    LogLine("Info: GetPriorityClass executed.\n");
    switch (Config.Priority) {
    case 0: SetPriorityClass(NORMAL_PRIORITY_CLASS); break;
    case 1: SetPriorityClass(HIGH_PRIORITY_CLASS); break;
    case 2: SetPriorityClass(REALTIME_PRIORITY_CLASS); break;
    default: break;
    }
    LogLine("Info: SetPriorityClass executed.\n");
}

}  // namespace

void InitialiseMachine()
{
    Ted.RomEnabled = 1;
    Ted.Timer1Latch = Ted.Timer2Latch = Ted.Timer3Latch = 0xFFFF;
    Ted.Timer1Counter = Ted.Timer2Counter = Ted.Timer3Counter = 0xFFFF;
    Ted.Timer1Running = Ted.Timer2Running = Ted.Timer3Running = 1;
    Ted.RasterLine = 0;
    Ted.LinePosition = 0;
    Ted.FlashPhase = 0;
    Ted.ModelInUse = TedState::ModelNotSetUp;
    std::memset(Ram64 + 0xFF00, 0, 0x40);
    Cpu.PC = 0;
    Cpu.XR = Cpu.YR = Cpu.AC = 0;
    Cpu.SP = 0xFF;
    Cpu.FlagN = Cpu.FlagV = Cpu.FlagB = Cpu.FlagD = Cpu.FlagI = Cpu.FlagZ = Cpu.FlagC = 0;
    Ted.ResetRequest = 1;
    Ted.RasterIrqDue = 0;
}

bool StartUp(int showState, int* exitCode)
{
    FramePeriod = QueryPerformanceFrequency() / 50;
    LastFrameTime = QueryPerformanceCounter();

    ReadSettings();

    if (Config.Log) {
        if (!OpenLog())
            return Fail("Ravlin Error: Cannot create Ravlin.log file.", exitCode);
        WriteLogHeader();
    }

    RamBlock = static_cast<uint8_t*>(AllocateBlock(RamBlockSize));
    if (!RamBlock) {
        LogLine("Error: Cannot allocate 64K RAM.\n");
        return Fail("Ravlin Error: Cannot allocate 64K system memory", exitCode);
    }
    // The array starts at the first 8-byte boundary after the block's start.
    Ram64 = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(RamBlock) + 8) & ~uintptr_t{7});
    LogLine("Info: 64K RAM allocated.\n");

    for (uint32_t a = 0; a < 0x10000; a++)
        Ram64[a] = RamFillPattern(a);
    LogLine("Info: 64K RAM initialized.\n");

    bool openRom = false;
    std::string openRomNotice;
    if (!LoadSystemRoms(exitCode, &openRom, &openRomNotice))
        return false;
    SetDatassettePresent(!openRom);   // the open ROM has no tape code

    // Loaded on every model: a hard reset may bring in the Plus/4, which
    // alone wires them.
    if (Config.Plus4ROMS == 1 && !openRom) {
        LoadFunctionRom("3plus1lo.rom", FunctionRomLo);
        LoadFunctionRom("3plus1hi.rom", FunctionRomHi);
    }

    // A PAL KERNAL has bit 7 set in the byte the processor sees at 0xFF80.
    if (!(KernalRom[0x3F80] & 0x80)) {
        LogLine("Error: Ravlin requires PAL KERNAL ROM.\n");
        return Fail("Ravlin Error: Ravlin requires PAL KERNAL ROM", exitCode);
    }

    LoadDriveRom();

    UseMachineModel(static_cast<uint8_t>(Config.Model));
    LogMachineModel();

    BuildInternalTables();
    LogLine("Info: Internal tables generated.\n");

    InitialiseMachine();
    LogLine("Info: CPU initialized.\n");

    if (SetUpDevices(showState) != 0) {
        *exitCode = FatalExitCode;
        return false;
    }
    if (!openRomNotice.empty())
        ShowTitleMessage(openRomNotice);   // also on standard error

    SetPriorityFromSettings();

    if (Config.Debugger) {
        for (int i = 0; i < 32; i++) {
            Message message;
            if (!PeekMessage(&message))
                continue;
            if (!GetMessage(&message)) {
                *exitCode = static_cast<int>(message.wParam);
                return false;
            }
            TranslateMessage(&message);
            DispatchMessage(&message);
            if (!Ram64) {
                // The window was closed: everything is released, and only
                // the quit message is left to take.
                while (GetMessage(&message)) {
                    TranslateMessage(&message);
                    DispatchMessage(&message);
                }
                *exitCode = static_cast<int>(message.wParam);
                return false;
            }
        }
        DebuggerRequest = 1;
    }

    LogLine("Info: Main loop reached. Emulation has beed started.\n");
    return true;
}

int RavlinMain(int showState, const char* startFile)
{
    int exitCode = 0;
    if (!StartUp(showState, &exitCode))
        return exitCode;
    if (startFile)
        RequestStartFile(startFile);   // a file that can't start is reported; the machine runs on
    while (RunMainLoop(&exitCode)) {
    }
    TapeDetach();   // a recording still running reaches its file
    HardwareDriveSwitchOff();   // what the 1541 wrote reaches its image
    return exitCode;
}
