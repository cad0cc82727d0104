// Around the machine on a desktop: a file started as from the command line
// or dropped on the window (and every kind of file that can't be), and warp
// with its title and muted sound.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "platform/start_file.h"
#include "cartridge/cartridge.h"
#include "drive/drive.h"
#include "drive/hardware_drive.h"
#include "support/test_support.h"
#include "tape/datassette.h"

namespace {

constexpr const char* Title = "Ravlin - The C16/Plus4 Emulator (Plus/4)";

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        dir.CopyRealRoms();
        dir.WriteText("settings", "Sync=0\n");
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    bool RunTo(uint64_t frame)
    {
        int exitCode = 0;
        return RunMainLoop(&exitCode, frame);
    }
    ScratchDirectory dir;
};

TEST_F(Desktop, AProgramStartsOnceBasicIsUpAndBadFilesOnlySaySo)
{
    // 10 PRINT "HELLO" at 0x1001.
    dir.WriteFile("hello.prg", {0x01, 0x10, 0x0F, 0x10, 0x0A, 0x00, 0x99, 0x20, 0x22, 'H', 'E', 'L', 'L', 'O', 0x22,
                                0x00, 0x00, 0x00});
    dir.WriteFile("empty.prg", {});
    std::vector<uint8_t> big(2 + 61440, 0xEA);   // at 0x1001, one byte past 0xFFFF
    big[0] = 0x01;
    big[1] = 0x10;
    dir.WriteFile("big.prg", big);
    dir.WriteText("notes.txt", "words");
    dir.WriteFile("disk.d64", std::vector<uint8_t>(1000, 0));
    mkdir((dir.path + "/folder.prg").c_str(), 0755);
    mkfifo((dir.path + "/pipe.prg").c_str(), 0644);
    const std::pair<const char*, const char*> bad[] = {
        {"missing.prg", "no such file"}, {"folder.prg", "is a directory"}, {"pipe.prg", "not a regular file"},
        {"empty.prg", "is empty"}, {"big.prg", "too long: 61,440 bytes from $1001 run past $FFFF (61,439 fit)"},
        {"notes.txt", "not a .prg, .fre, .d64, .g64, .tap or cartridge (.bin, .rom) file"},
    };
    for (const auto& [name, problem] : bad) {
        EXPECT_FALSE(RequestStartFile(name)) << name;
        EXPECT_EQ(HeadlessWindowTitle(), std::string(Title) + " - " + name + ": " + problem);
    }
    EXPECT_FALSE(StartFileWaiting);
    // A disk image goes to drive 8 once BASIC is up; one it refuses says why.
    ASSERT_TRUE(RequestStartFile("disk.d64"));
    ASSERT_TRUE(RunTo(70));
    EXPECT_EQ(HeadlessWindowTitle(),
              std::string(Title) + " - " + dir.path + "/disk.d64: not a D64 image: 1000 bytes");

    // Requested before BASIC is up, the program waits for it, then runs.
    ResetMachineToPowerOn();
    ASSERT_TRUE(BootMachine());
    ASSERT_TRUE(RequestStartFile("hello.prg"));
    ASSERT_TRUE(RunTo(StartFileBootFrames - 1));
    EXPECT_TRUE(StartFileWaiting);
    ASSERT_TRUE(RunTo(150));
    EXPECT_FALSE(StartFileWaiting);
    EXPECT_NE(ScreenText().find("RUN\nHELLO\n"), std::string::npos) << ScreenText();
}

TEST_F(Desktop, WarpRunsUnpacedWithoutSoundAndSaysHowFast)
{
    // Sync 2 would wait for the clock; warp does not.
    Config.Sync = 2;
    ASSERT_TRUE(RunTo(10));
    HeadlessPostKeyMessage(VK_F10, true);
    ASSERT_TRUE(RunTo(11));
    int64_t clock = HeadlessClockNow();
    ASSERT_TRUE(RunTo(40));
    EXPECT_TRUE(HeadlessSoundMuted());
    EXPECT_EQ(HeadlessWindowTitle(), std::string(Title) + " - warp");
    EXPECT_EQ(HeadlessClockNow(), clock);
    // A second of the host's time later the title shows the speed: the 30
    // frames since warp began are 0.6 s of the machine's time.
    HeadlessAdvanceClock(1'000'000'000);
    ASSERT_TRUE(RunTo(41));
    EXPECT_EQ(HeadlessWindowTitle(), std::string(Title) + " - warp 0.6x");
    HeadlessPostKeyMessage(VK_F10, true);
    ASSERT_TRUE(RunTo(45));
    EXPECT_FALSE(WarpOn);
    EXPECT_FALSE(HeadlessSoundMuted());
    EXPECT_EQ(HeadlessWindowTitle(), Title);
    EXPECT_GT(HeadlessClockNow(), clock);
    // An inactive window is silent too.
    PostMessage(MainWindow, WM_ACTIVATEAPP, 0, 0);
    ASSERT_FALSE(HeadlessSoundMuted());
    int exitCode = 0;
    for (int i = 0; i < 300 && !HeadlessSoundMuted(); i++)
        MainLoopPass(&exitCode);
    EXPECT_TRUE(HeadlessSoundMuted());
}

// A blank-ish tape: the header and a long run of short half waves.
std::vector<uint8_t> LeaderTape()
{
    std::vector<uint8_t> tap = {'C', '1', '6', '-', 'T', 'A', 'P', 'E', '-', 'R', 'A', 'W', 2, 2, 0, 0};
    const uint32_t length = 200000;
    for (int k = 0; k < 4; k++)
        tap.push_back(static_cast<uint8_t>(length >> (8 * k)));
    tap.resize(tap.size() + length, 0x1A);
    return tap;
}

TEST_F(Desktop, TapesAndCartridgesStartOnceBasicIsUp)
{
    dir.WriteFile("leader.tap", LeaderTape());
    dir.WriteFile("cart.bin", std::vector<uint8_t>(16384, 0xEA));
    ASSERT_TRUE(RequestStartFile("leader.tap"));
    ASSERT_TRUE(RunTo(StartFileBootFrames + 30));
    // PLAY is down, the KERNAL runs the motor for its LOAD.
    EXPECT_EQ(TapeKeyDown(), DeckKey::Play);
    EXPECT_TRUE(TapeMotorOn());
    EXPECT_NE(ScreenText().find("LOAD\n\nSEARCHING\n"), std::string::npos) << ScreenText();
    ASSERT_TRUE(RequestStartFile("cart.bin"));
    ASSERT_TRUE(RunTo(StartFileBootFrames + 100));
    EXPECT_TRUE(CartridgeAttached(1));

    SetDatassettePresent(false);
    EXPECT_FALSE(RequestStartFile("leader.tap"));
    EXPECT_EQ(HeadlessWindowTitle(), std::string(Title) + " - leader.tap: the open ROM has no tape support");
}

TEST_F(Desktop, TapeWarpRunsUnpacedWhileTheTapeMovesAndShowsTheCounter)
{
    Config.Sync = 2;
    dir.WriteFile("leader.tap", LeaderTape());
    std::string message;
    ASSERT_TRUE(TapeAttach("leader.tap", &message)) << message;
    ASSERT_TRUE(RunTo(10));
    int64_t clock = HeadlessClockNow();
    ASSERT_TRUE(RunTo(20));
    EXPECT_GT(HeadlessClockNow(), clock) << "paced while the tape stands";
    // PLAY alone: the KERNAL's interrupt starts the motor.
    TapePressKey(DeckKey::Play);
    ASSERT_TRUE(RunTo(25));
    clock = HeadlessClockNow();
    ASSERT_TRUE(RunTo(2000));
    EXPECT_EQ(HeadlessClockNow(), clock);
    EXPECT_TRUE(HeadlessSoundMuted());
    // About 40 seconds of tape: 26 turns of the take-up spool.
    EXPECT_EQ(HeadlessWindowTitle(), std::string(Title) + " - tape 026");
    TapePressKey(DeckKey::Stop);
    ASSERT_TRUE(RunTo(2010));
    EXPECT_FALSE(TapeMotorOn());
    EXPECT_EQ(HeadlessWindowTitle(), Title);
    EXPECT_FALSE(HeadlessSoundMuted());
    // With TapeWarp=0 the pace stays.
    Config.TapeWarp = 0;
    TapePressKey(DeckKey::Play);
    ASSERT_TRUE(RunTo(2020));
    clock = HeadlessClockNow();
    ASSERT_TRUE(RunTo(2030));
    EXPECT_GT(HeadlessClockNow(), clock);
}

// A disk the 1541 can't read keeps its motor turning while the DOS tries:
// the machine runs unpaced and muted meanwhile, the title names the track.
TEST_F(Desktop, DriveWarpRunsUnpacedWhileThe1541sMotorTurns)
{
    if (!dir.CopyDriveRom())
        GTEST_SKIP() << "dos1541.bin not found beside the real ROM images";
    dir.WriteText("settings", "Sync=2\n");
    ResetMachineToPowerOn();
    ASSERT_TRUE(BootMachine());
    dir.WriteFile("blank.d64", std::vector<uint8_t>(174848, 0));
    std::string message;
    ASSERT_TRUE(DriveAttach("blank.d64", &message)) << message;
    ASSERT_TRUE(RunTo(150));
    const char typed[] = "LOAD\"$\",8\r";
    std::copy(typed, typed + 10, Ram64 + 0x0527);   // the KERNAL's keyboard buffer
    Ram64[0xEF] = 10;
    uint64_t frame = 150;
    while (!HardwareDriveMotorOn() && frame < 400)
        ASSERT_TRUE(RunTo(frame += 5));
    ASSERT_TRUE(HardwareDriveMotorOn());
    ASSERT_TRUE(RunTo(frame += 5));
    const int64_t clock = HeadlessClockNow();
    ASSERT_TRUE(RunTo(frame += 50));
    EXPECT_EQ(HeadlessClockNow(), clock) << "unpaced";
    EXPECT_TRUE(HeadlessSoundMuted());
    EXPECT_NE(HeadlessWindowTitle().find(" - drive 8 track 18"), std::string::npos) << HeadlessWindowTitle();
    while (HardwareDriveMotorOn() && frame < 3000)
        ASSERT_TRUE(RunTo(frame += 10));
    ASSERT_TRUE(RunTo(frame += 2));
    EXPECT_EQ(HeadlessWindowTitle(), Title);
    EXPECT_FALSE(HeadlessSoundMuted());
    DriveDetach();
    SetHardwareDriveRom(nullptr, 0);
}

}  // namespace
