// The options menu driven by scripted keys: its layout cell by cell, the
// three switches, the message pump and the background pause.
#include <gtest/gtest.h>

#include "input/key_codes.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/desktop.h"
#include "platform/headless/headless_control.h"
#include "sound/sound.h"
#include "ui/menus.h"
#include "ui/ui_test_support.h"

namespace {

class OptionsMenuTest : public ::testing::Test {
protected:
    void Boot(const std::string& settings = "ScreenMode=0\nJoystick=1\nSync=0\n")
    {
        ASSERT_TRUE(BootMenuMachine(settings));
        pictures.Start();
        t0 = HeadlessTicks();
        // Should a test lose its way, Escape ends the menu eventually.
        HoldKeyBetween(t0 + 500, t0 + 100000, DIK_ESCAPE);
    }
    // Picture 0 is the entry picture, then one per pass; keys tapped at
    // picture n are read by pass n.
    void Run()
    {
        OptionsMenuRequest = 1;
        RunOptionsMenu();
        EXPECT_EQ(OptionsMenuRequest, 0);
    }

    ScratchDirectory scratch;
    PictureLog pictures;
    uint64_t t0 = 0;
    size_t picturesWhileInactive = 0;
};

// The marks: '*' in the chosen line's "( )".
std::string Mark(const WindowPicture& p, int column, int row)
{
    return ReadCells(p, column, row, 1, 0x57, 0x00);
}

TEST_F(OptionsMenuTest, DrawsItsLayout)
{
    Boot("ScreenMode=0\nJoystick=1\nSync=2\nPlus4ROMS=1\n");
    FunctionRomHalves = 2;
    pictures.KeysAt(1, {DIK_ESCAPE});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 2u);
    const WindowPicture& entry = pictures.pictures[0];
    EXPECT_EQ(ReadCells(entry, 0, 0, 40, 0x71, 0x5E), "RAVLIN OPTIONS                          ");
    EXPECT_EQ(ReadCells(entry, 0, 24, 3, 0x3B, 0x61), "ESC");
    EXPECT_EQ(ReadCells(entry, 3, 24, 37, 0x4F, 0x61), "-BACK                                ");
    EXPECT_EQ(ReadCells(entry, 0, 2, 40, 0x71, 0x00), std::string(40, '`'));   // not yet drawn

    const WindowPicture& p = pictures.pictures[1];
    EXPECT_EQ(ReadCells(p, 0, 0, 40, 0x71, 0x5E), "RAVLIN OPTIONS                          ");
    EXPECT_EQ(ReadCells(p, 0, 2, 1, 0x71, 0x00), " ");
    EXPECT_EQ(ReadCells(p, 1, 2, 1, 0x4F, 0x00), "J");
    EXPECT_EQ(ReadCells(p, 2, 2, 38, 0x71, 0x00), "OYSTICK EMULATION WITH CURSOR KEYS:```");
    EXPECT_EQ(ReadCells(p, 0, 4, 11, 0x57, 0x00), "  ( ) NONE`");
    EXPECT_EQ(ReadCells(p, 0, 5, 12, 0x57, 0x00), "  (*) JOY 1`");
    EXPECT_EQ(ReadCells(p, 0, 6, 12, 0x57, 0x00), "  ( ) JOY 2`");
    EXPECT_EQ(ReadCells(p, 0, 8, 1, 0x71, 0x00), " ");
    EXPECT_EQ(ReadCells(p, 1, 8, 1, 0x4F, 0x00), "S");
    EXPECT_EQ(ReadCells(p, 2, 8, 10, 0x71, 0x00), "PEED SYNC:");
    EXPECT_EQ(ReadCells(p, 0, 10, 40, 0x57, 0x00), "  ( ) NONE``````````````  (*) ON````````");
    EXPECT_EQ(ReadCells(p, 0, 11, 40, 0x57, 0x00), "  ( ) VERTICAL BLANK````  ( ) OFF```````");
    EXPECT_EQ(ReadCells(p, 0, 12, 17, 0x57, 0x00), "  (*) 50HZ TIMER`");
    EXPECT_EQ(ReadCells(p, 24, 8, 2, 0x71, 0x00), " S");
    EXPECT_EQ(ReadCells(p, 26, 8, 1, 0x4F, 0x00), "O");
    EXPECT_EQ(ReadCells(p, 27, 8, 13, 0x71, 0x00), "UND:`````````");
    EXPECT_EQ(ReadCells(p, 1, 14, 1, 0x4F, 0x00), "M");
    EXPECT_EQ(ReadCells(p, 2, 14, 38, 0x71, 0x00), "ACHINE MODEL (AT THE NEXT HARD RESET):");
    EXPECT_EQ(ReadCells(p, 0, 16, 13, 0x57, 0x00), "  (*) PLUS/4`");
    EXPECT_EQ(ReadCells(p, 0, 20, 14, 0x71, 0x00), " SYSTEM INFO:`");
    EXPECT_EQ(ReadCells(p, 0, 22, 20, 0x57, 0x00), "` PLUS4 ROMS LOADED`");
    EXPECT_EQ(ReadCells(p, 0, 23, 18, 0x57, 0x00), "` MACHINE: PLUS/4`");
    EXPECT_EQ(ReadCells(p, 0, 24, 3, 0x3B, 0x61), "ESC");
    // Sound is on at start: the mark sits on ON.
    EXPECT_EQ(SoundOn, 1);
}

TEST_F(OptionsMenuTest, SoundOnMarksOnAndOneRomHalfIsNotLoaded)
{
    Boot();
    FunctionRomHalves = 1;
    pictures.KeysAt(1, {DIK_ESCAPE});
    Run();
    const WindowPicture& p = pictures.Last();
    EXPECT_EQ(ReadCells(p, 24, 10, 8, 0x57, 0x00), "  (*) ON");
    EXPECT_EQ(ReadCells(p, 24, 11, 9, 0x57, 0x00), "  ( ) OFF");
    EXPECT_EQ(ReadCells(p, 1, 22, 22, 0x57, 0x00), " PLUS4 ROMS NOT LOADED");
}

TEST_F(OptionsMenuTest, JoystickAndSyncStepRoundTheirThreeChoices)
{
    Boot("ScreenMode=0\nJoystick=0\nSync=1\n");
    pictures.KeysAt(1, {DIK_J, DIK_J, DIK_J, DIK_S, DIK_S, DIK_J, DIK_ESCAPE});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 8u);
    const char* joystickRows[] = {"*  ", " * ", "  *", "*  ", "*  ", "*  ", " * "};
    const char* syncRows[] = {" * ", " * ", " * ", " * ", "  *", "*  ", "*  "};
    for (int n = 1; n <= 7; n++) {
        SCOPED_TRACE(n);
        const WindowPicture& p = pictures.pictures[n];
        std::string joystick, sync;
        for (int row = 0; row < 3; row++) {
            joystick += Mark(p, 3, 4 + row) == "*" ? '*' : ' ';
            sync += Mark(p, 3, 10 + row) == "*" ? '*' : ' ';
        }
        EXPECT_EQ(joystick, joystickRows[n - 1]);
        EXPECT_EQ(sync, syncRows[n - 1]);
    }
    EXPECT_EQ(JoystickMode, 1u);
    EXPECT_EQ(Config.Sync, 0u);

    // A reset gives the joystick back its setting; the pacing stays.
    SoftReset();
    EXPECT_EQ(JoystickMode, 0u);
    EXPECT_EQ(Config.Sync, 0u);
}

// M steps the model chosen; the machine runs the one it started as (named
// under SYSTEM INFO, without function ROM on a C16) until a hard reset.
TEST_F(OptionsMenuTest, TheModelChangesAtTheNextHardReset)
{
    Boot("ScreenMode=0\nModel=1\n");
    FunctionRomHalves = 2;
    pictures.KeysAt(1, {DIK_M, DIK_ESCAPE});
    Run();
    const WindowPicture& p = pictures.Last();
    EXPECT_EQ(Mark(p, 3, 18), "*");
    EXPECT_EQ(ReadCells(p, 1, 22, 22, 0x57, 0x00), " PLUS4 ROMS NOT LOADED");
    EXPECT_EQ(ReadCells(p, 1, 23, 22, 0x57, 0x00), " MACHINE: C16/C116 16K");
    EXPECT_EQ(MachineModel, ModelC16);
    HardReset();
    DesktopFrame();
    EXPECT_EQ(HeadlessWindowTitle(), "Ravlin - The C16/Plus4 Emulator (C16 64K)");
}

TEST_F(OptionsMenuTest, TheSoundSwitchRewritesTheVolumeTable)
{
    Boot();
    std::vector<std::vector<int16_t>> tables;
    auto keep = [&tables] { tables.emplace_back(VolumeTable, VolumeTable + 9); };
    pictures.AtPicture(2, keep);
    pictures.AtPicture(3, keep);
    pictures.KeysAt(1, {DIK_O, DIK_O, DIK_ESCAPE});
    Run();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0], std::vector<int16_t>(9, -10000));
    EXPECT_EQ(tables[1], (std::vector<int16_t>{-10000, -2800, -1800, -1250, -725, -500, -300, -200, -100}));
    EXPECT_EQ(ReadCells(pictures.pictures[2], 24, 11, 9, 0x57, 0x00), "  (*) OFF");
    EXPECT_EQ(ReadCells(pictures.pictures[3], 24, 10, 8, 0x57, 0x00), "  (*) ON");
    EXPECT_EQ(SoundOn, 1);
}

TEST_F(OptionsMenuTest, WithoutSoundEmulationThereIsNoSoundSwitch)
{
    Boot("ScreenMode=0\nSoundEmulation=0\n");
    pictures.KeysAt(1, {DIK_O, DIK_ESCAPE});
    Run();
    const WindowPicture& p = pictures.Last();
    for (int row : {8, 10, 11})
        EXPECT_EQ(ReadCells(p, 24, row, 16, 0x71, 0x00), std::string(16, '`')) << row;
    EXPECT_EQ(SoundOn, 1);
    EXPECT_EQ(VolumeTable[8], -100);
}

TEST_F(OptionsMenuTest, SilencesTheSoundWhileOpen)
{
    Boot();
    SoundBufferSetVolume(g_pDSBuffer1, -500);
    int32_t during = 0;
    pictures.AtPicture(1, [&during] { during = HeadlessSoundBuffer(g_pDSBuffer1).volume; });
    pictures.KeysAt(1, {DIK_ESCAPE});
    Run();
    EXPECT_EQ(during, -10000);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -500);
}

TEST_F(OptionsMenuTest, HandlesWindowMessagesWhileOpen)
{
    Boot();
    pictures.AtPicture(1, [] { HeadlessPostKeyMessage(VK_F9, true); });
    uint16_t seen = 0;
    pictures.AtPicture(3, [&seen] { seen = DebuggerRequest; });
    pictures.KeysAt(3, {DIK_ESCAPE});
    Run();
    EXPECT_EQ(seen, 1);   // handled by the menu's own pump, before it closed
}

TEST_F(OptionsMenuTest, IgnoresTheKeyboardWhileInTheBackground)
{
    Boot("ScreenMode=0\nJoystick=0\n");
    // Deactivated after picture 1.  While inactive the menu only waits for
    // messages, and the waiting reaches the next scripted ticks: J is
    // pressed then, and the application activated again after.
    pictures.AtPicture(1, [this] {
        PostMessage(MainWindow, WM_ACTIVATEAPP, 0, 0);
        uint64_t now = HeadlessTicks();
        HeadlessAtTick(now + 2, [this] {
            HeadlessTapKey(DIK_J);
            picturesWhileInactive = pictures.pictures.size();
        });
        HeadlessAtTick(now + 3, [] { PostMessage(MainWindow, WM_ACTIVATEAPP, 1, 0); });
    });
    pictures.KeysAt(4, {DIK_ESCAPE});
    Run();
    EXPECT_EQ(JoystickMode, 0u);
    EXPECT_EQ(picturesWhileInactive, 2u);   // the entry picture and pass 1
    EXPECT_EQ(AppActive, 1u);
}

TEST_F(OptionsMenuTest, AClosedWindowEndsTheMenuAtOnce)
{
    Boot();
    pictures.AtPicture(1, [] { HeadlessPostKeyMessage(VK_F12, true); });
    Run();
    EXPECT_EQ(Ram64, nullptr);
    Message message;
    ASSERT_TRUE(PeekMessage(&message));
    EXPECT_EQ(message.message, WM_QUIT);
}

}  // namespace
