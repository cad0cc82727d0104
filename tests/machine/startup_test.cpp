// Start-up: the fatal paths with their texts and log lines, the log file to
// the byte, RAM and ROM set-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <functional>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/open_rom.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "ted/memory_map.h"
#include "platform/headless/headless_control.h"
#include "support/test_support.h"

namespace {

// The first line names the version the build was given.
const std::string StartOfLog =
    "Ravlin log file created. Version " RAVLIN_PROJECT_VERSION "\n\n"
    "Screenmode: 320x200\n"
    "Sound emulation: Enabled\n"
    "Plus4 ROMs: Disabled\n"
    "ModeX: Disabled\n"
    "Debugger: Disabled\n"
    "Process priority: 0\n"
    "Synchronization: 2\n"
    "Joystick: 0\n"
    "50Hz performance frequency: 20000000\n"
    "\n"
    "Info: 64K RAM allocated.\n"
    "Info: 64K RAM initialized.\n";

const char* const RomLines =
    "Info: BASIC.BIN successfully opened.\n"
    "Info: BASIC.BIN successfully loaded.\n"
    "Info: KERNAL.BIN successfully opened.\n"
    "Info: KERNAL.BIN successfully loaded.\n";

const char* const DeviceLines =
    "Info: Machine model: Plus/4.\n"
    "Info: Internal tables generated.\n"
    "Info: CPU initialized.\n"
    "Info: Window class registered.\n"
    "Info: Main window successfully opened.\n"
    "Info: DirectDraw DirectDrawCreate executed.\n"
    "Info: DirectDraw QueryInterface executed.\n"
    "Info: DirectDraw SetCooperativeLevel executed.\n"
    "Info: DirectDraw SetDisplayMode executed.\n"
    "Info: DirectDraw CreateSurface executed.\n"
    "Info: Palette generated.\n"
    "Info: DirectDraw CreatePalette executed.\n"
    "Info: DirectDraw SetPalette executed.\n"
    "Info: DirectInput DirectInputCreate executed.\n"
    "Info: DirectInput CreateDevice executed.\n"
    "Info: DirectInput SetDataFormat executed.\n"
    "Info: DirectInput SetCooperativeLevel executed.\n"
    "Info: DirectInput Acquire executed.\n"
    "Info: DirectSound DirectSoundCreate executed.\n"
    "Info: DirectSound SetCooperativeLevel executed.\n"
    "Info: DirectSound CreateSoundBuffer 1 executed.\n"
    "Info: DirectSound Lock 1 executed.\n"
    "Info: DirectSound Unlock 1 executed.\n"
    "Info: DirectSound CreateSoundBuffer 2 executed.\n"
    "Info: DirectSound Lock 2 executed.\n"
    "Info: DirectSound Unlock 2 executed.\n"
    "Info: DirectSound CreateSoundBuffer 3 executed.\n"
    "Info: DirectSound Lock 3 executed.\n"
    "Info: DirectSound Unlock 3 executed.\n"
    "Info: Sound system started.\n"
    "Info: GetPriorityClass executed.\n"
    "Info: SetPriorityClass executed.\n"
    "Info: Main loop reached. Emulation has beed started.\n";

std::vector<uint8_t> PalKernal(uint8_t marker = 0x85)
{
    std::vector<uint8_t> kernal(RomSize, 0xEA);
    kernal[0x3F80] = marker;
    return kernal;
}

class StartUpTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void TearDown() override { ResetMachineToPowerOn(); }
    std::string Log() const { return dir.ReadText("Ravlin.log"); }
};

TEST_F(StartUpTest, LogMatchesEveryStepToTheByte)
{
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Log=1\n");
    ASSERT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_EQ(Log(), StartOfLog + RomLines + DeviceLines);
}

TEST_F(StartUpTest, RealRomsStartAndRamHoldsThePowerOnPattern)
{
    REQUIRE_REAL_ROMS();
    dir.CopyRealRoms();
    dir.WriteText("settings", "Log=1\n");
    ASSERT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_EQ(Log(), StartOfLog + RomLines + DeviceLines);
    const uint8_t expected[8] = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    for (uint32_t a = 0; a < 0xFF00; a++)
        ASSERT_EQ(Ram64[a], expected[a % 8]) << "address " << a;
    for (uint32_t a = 0xFF00; a < 0xFF40; a++)
        ASSERT_EQ(Ram64[a], 0) << "TED register " << a;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(Ram64) % 8, 0u);
    EXPECT_GT(Ram64, RamBlock);
    EXPECT_LE(Ram64, RamBlock + 8);
}

TEST_F(StartUpTest, WithoutLogNoFileIsWritten)
{
    dir.WriteTinyRoms();
    ASSERT_TRUE(BootMachine());
    EXPECT_FALSE(dir.Exists("Ravlin.log"));
}

struct FatalCase {
    const char* name;
    std::function<void(const ScratchDirectory&)> prepare;
    const char* box;
    const char* logTail;   // what the log ends with (after the RAM lines)
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class FatalPathTest : public StartUpTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalPathTest, ReportsReleasesAndEndsWithExitCodeOne)
{
    const FatalCase& c = GetParam();
    dir.WriteText("settings", "Log=1\n");
    ResetMachineToPowerOn();
    c.prepare(dir);
    int exitCode = -1;
    EXPECT_FALSE(StartUp(1, &exitCode));
    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(HeadlessMessageBoxes().size(), 1u);
    EXPECT_EQ(HeadlessMessageBoxes()[0].substr(0, std::strlen(c.box)), c.box);
    // Everything released, the log closed and logging switched off.
    EXPECT_EQ(Ram64, nullptr);
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    EXPECT_EQ(LogFile, nullptr);
    EXPECT_EQ(Config.Log, 0u);
    std::string log = Log();
    std::string tail = c.logTail;
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

std::vector<uint8_t> Bytes(size_t n, uint8_t v) { return std::vector<uint8_t>(n, v); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FatalPathTest,
    ::testing::Values(
        FatalCase{"BasicEmpty",
                  [](const ScratchDirectory& d) {
                      d.WriteFile("basic.bin", {});
                      d.WriteFile("kernal.bin", PalKernal());
                  },
                  "Ravlin Error: Error while loading BASIC.BIN",
                  "Info: BASIC.BIN successfully opened.\nError: Error while loading BASIC.BIN.\n"},
        FatalCase{"BasicIsADirectory",
                  [](const ScratchDirectory& d) {
                      std::error_code ec;
                      std::filesystem::create_directory(d.path + "/basic.bin", ec);
                      d.WriteFile("kernal.bin", PalKernal());
                  },
                  "Ravlin Error: Error while loading BASIC.BIN",
                  "Info: BASIC.BIN successfully opened.\nError: Error while loading BASIC.BIN.\n"},
        FatalCase{"KernalEmpty",
                  [](const ScratchDirectory& d) {
                      d.WriteFile("basic.bin", Bytes(RomSize, 1));
                      d.WriteFile("kernal.bin", {});
                  },
                  "Ravlin Error: Error while loading KERNAL.BIN",
                  "Info: KERNAL.BIN successfully opened.\nError: Error while loading KERNAL.BIN.\n"},
        FatalCase{"KernalNotPal",
                  [](const ScratchDirectory& d) {
                      d.WriteFile("basic.bin", Bytes(RomSize, 1));
                      d.WriteFile("kernal.bin", PalKernal(0x7F));
                  },
                  "Ravlin Error: Ravlin requires PAL KERNAL ROM",
                  "Info: KERNAL.BIN successfully loaded.\nError: Ravlin requires PAL KERNAL ROM.\n"},
        FatalCase{"RamAllocationFails",
                  [](const ScratchDirectory& d) {
                      d.WriteTinyRoms();
                      HeadlessInjectFault(HeadlessCall::AllocateBlock, 1);
                  },
                  "Ravlin Error: Cannot allocate 64K system memory",
                  "50Hz performance frequency: 20000000\n\nError: Cannot allocate 64K RAM.\n"}),
    [](const ::testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

TEST_F(StartUpTest, RomImagesAreFoundWhereLinuxUsersKeepThemAndAMissingOneNamesThePlaces)
{
    // BASIC under $RAVLIN_ROM_DIR, the KERNAL under $XDG_DATA_HOME/ravlin/roms;
    // the current directory comes first.
    std::filesystem::create_directories(dir.path + "/named");
    std::filesystem::create_directories(dir.path + "/data/ravlin/roms");
    WriteTinyRomFiles(dir.path + "/named");
    WriteTinyRomFiles(dir.path + "/data/ravlin/roms");
    std::filesystem::remove(dir.path + "/named/kernal.bin");
    std::filesystem::remove(dir.path + "/data/ravlin/roms/basic.bin");
    dir.WriteFile("basic.bin", Bytes(RomSize, 0x42));
    setenv("RAVLIN_ROM_DIR", (dir.path + "/named").c_str(), 1);
    EXPECT_TRUE(BootMachine());
    EXPECT_EQ(BasicRom[0], 0x42);
    std::filesystem::remove(dir.path + "/basic.bin");
    EXPECT_TRUE(BootMachine());
    EXPECT_NE(BasicRom[0], 0x42);

    // With the KERNAL nowhere, the open ROM stands in for both images; the
    // log names every place looked in.
    std::filesystem::remove(dir.path + "/data/ravlin/roms/kernal.bin");
    dir.WriteText("settings", "Log=1\n");
    EXPECT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_TRUE(HeadlessMessageBoxes().empty());
    EXPECT_EQ(std::memcmp(BasicRom, OpenRomImage, RomSize), 0);
    EXPECT_EQ(std::memcmp(KernalRom, OpenRomImage + RomSize, RomSize), 0);
    EXPECT_NE(Log().find("Warning: File not found: KERNAL.BIN (looked in ., " + dir.path + "/named, " + dir.path +
                         "/data/ravlin/roms).\nInfo: kernal.bin not found: running Ravlin's open ROM.\n"),
              std::string::npos)
        << Log();
    // BASIC nowhere and the KERNAL found: the title names BASIC.
    std::filesystem::remove(dir.path + "/named/basic.bin");
    dir.WriteFile("kernal.bin", PalKernal());
    EXPECT_TRUE(BootMachine());
    EXPECT_NE(HeadlessWindowTitle().find("- basic.bin not found: running Ravlin's open ROM"), std::string::npos);
    unsetenv("RAVLIN_ROM_DIR");
}

// OpenRom=1 takes the open ROM even where the images are, says so in the
// log only, and leaves the function ROMs out.
TEST_F(StartUpTest, OpenRomSettingChoosesItOverFoundImages)
{
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Log=1\nOpenRom=1\nPlus4ROMS=1\n");
    ASSERT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_EQ(std::memcmp(BasicRom, OpenRomImage, RomSize), 0);
    EXPECT_EQ(std::memcmp(KernalRom, OpenRomImage + RomSize, RomSize), 0);
    EXPECT_EQ(FunctionRomHalves, 0);
    EXPECT_NE(Log().find("Info: OpenRom=1: running Ravlin's open ROM.\n"), std::string::npos) << Log();
    EXPECT_EQ(Log().find("No Commodore ROM images found"), std::string::npos) << Log();
    // The machine starts at the open ROM's reset vector.
    EXPECT_EQ(ReadByte(0xFFFC) | (ReadByte(0xFFFD) << 8), OpenRomImage[0x7FFC] | (OpenRomImage[0x7FFD] << 8));
}

TEST_F(StartUpTest, LogThatCannotBeCreatedIsFatal)
{
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Log=1\n");
    std::error_code ec;
    std::filesystem::create_directory(dir.path + "/Ravlin.log", ec);   // in the way of the file
    int exitCode = -1;
    EXPECT_FALSE(BootMachine(&exitCode));
    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(HeadlessMessageBoxes().size(), 1u);
    EXPECT_EQ(HeadlessMessageBoxes()[0], "Ravlin Error: Cannot create Ravlin.log file.");
}

TEST_F(StartUpTest, ShortRomsAreAcceptedAndZeroFilled)
{
    dir.WriteFile("basic.bin", Bytes(100, 0x55));
    dir.WriteFile("kernal.bin", PalKernal());
    ASSERT_TRUE(BootMachine());
    EXPECT_EQ(BasicRom[99], 0x55);
    for (uint32_t i = 100; i < RomSize; i++)
        ASSERT_EQ(BasicRom[i], 0) << i;
}

TEST_F(StartUpTest, PalMarkerWithOnlyBitSevenPasses)
{
    dir.WriteFile("basic.bin", Bytes(RomSize, 0));
    dir.WriteFile("kernal.bin", PalKernal(0x80));
    EXPECT_TRUE(BootMachine());
}

TEST_F(StartUpTest, FunctionRomsAreOptional)
{
    dir.WriteTinyRoms();
    dir.WriteFile("3plus1lo.rom", Bytes(RomSize, 0x33));
    dir.WriteText("settings", "Log=1\nPlus4ROMS=1\n");
    ASSERT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_EQ(FunctionRomHalves, 1);
    EXPECT_NE(Log().find("Info: KERNAL.BIN successfully loaded.\n"
                         "Info: 3plus1lo.rom successfully loaded.\n"
                         "Warning: 3plus1hi.rom not found.\n"
                         "Info: Machine model: Plus/4.\n"
                         "Info: Internal tables generated.\n"),
              std::string::npos);
}

TEST_F(StartUpTest, FunctionRomsAreNotReadUnlessAskedForWithOne)
{
    dir.WriteTinyRoms();
    dir.WriteFile("3plus1lo.rom", Bytes(RomSize, 0x33));
    dir.WriteFile("3plus1hi.rom", Bytes(RomSize, 0x44));
    dir.WriteText("settings", "Log=1\nPlus4ROMS=2\n");
    ASSERT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_EQ(FunctionRomHalves, 0);
    EXPECT_EQ(FunctionRomLo[0], 0);
    EXPECT_EQ(Log().find("3plus1"), std::string::npos);
}

TEST_F(StartUpTest, BothFunctionRomsMakeTheFunctionRomExist)
{
    dir.WriteTinyRoms();
    dir.WriteFile("3plus1lo.rom", Bytes(RomSize, 0x33));
    dir.WriteFile("3plus1hi.rom", Bytes(10, 0x44));
    dir.WriteText("settings", "Plus4ROMS=1\n");
    ASSERT_TRUE(BootMachine());
    EXPECT_EQ(FunctionRomHalves, 2);
}

TEST_F(StartUpTest, DebuggerSettingRequestsTheDebuggerAtStart)
{
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Debugger=2\n");
    ASSERT_TRUE(BootMachine());
    EXPECT_EQ(DebuggerRequest, 1);
}

TEST_F(StartUpTest, PriorityFollowsTheSetting)
{
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Priority=1\n");
    ASSERT_TRUE(BootMachine());
    EXPECT_EQ(HeadlessPriorityClass(), HIGH_PRIORITY_CLASS);
    EXPECT_EQ(SavedPriorityClass, NORMAL_PRIORITY_CLASS);

    dir.WriteText("settings", "Priority=2\n");
    ASSERT_TRUE(BootMachine());
    EXPECT_EQ(HeadlessPriorityClass(), REALTIME_PRIORITY_CLASS);

    // Out of range: normal priority, and the log says why.
    dir.WriteText("settings", "Priority=3\nLog=1\n");
    ASSERT_TRUE(BootMachine());
    std::fflush(LogFile);
    EXPECT_EQ(HeadlessPriorityClass(), NORMAL_PRIORITY_CLASS);
    EXPECT_NE(Log().find("Process priority: 0\n"), std::string::npos);
    EXPECT_NE(Log().find("\nWarning: Priority 3 is out of range (0-2); 0 is used.\n"), std::string::npos);
}

TEST(InternalTables, HoldTheirDefiningValues)
{
    BuildInternalTables();
    EXPECT_EQ(FreqTable[0], 1747u);
    EXPECT_EQ(FreqTable[512], 3495u);
    EXPECT_EQ(FreqTable[1000], 74573u);
    EXPECT_EQ(FreqTable[1023], 1789772u);
    EXPECT_EQ(LineCounterTable[0], 260);
    EXPECT_EQ(LineCounterTable[51], 311);
    EXPECT_EQ(LineCounterTable[52], 0);
    EXPECT_EQ(LineCounterTable[311], 259);
    EXPECT_EQ(ColumnTable[0], 196);
    EXPECT_EQ(ColumnTable[32], 0);
    EXPECT_EQ(ColumnTable[227], 195);
    EXPECT_EQ(RowOffsetTable[39], 1560);
    EXPECT_EQ(BitmapRowTable[311], 311u * 320);
    EXPECT_EQ(LineOffsetTable[311], 311u * 456);
}

}  // namespace
