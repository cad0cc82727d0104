// The debugger shell in the running program: how the main loop and the
// hot keys open it, the sound while it runs, the messages after it, and the
// status line.
#include <gtest/gtest.h>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger/debugger_text.h"
#include "debugger_test_support.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"

namespace {

class ShellTest : public ::testing::Test {
protected:
    void TearDown() override { ResetMachineToPowerOn(); }
    ScratchDirectory scratch;
};

std::string FirstListedAddress(const WindowPicture& p)
{
    return ReadCells(p, 0, 2, 5, 0x71, 0x00);
}

TEST_F(ShellTest, SilencesTheSoundAndGivesItBack)
{
    ASSERT_TRUE(BootDebuggerMachine());
    ASSERT_NE(g_pDSBuffer1, nullptr);
    SoundBufferSetVolume(g_pDSBuffer1, -500);
    SoundBufferSetVolume(g_pDSBuffer2, -600);
    SoundBufferSetVolume(g_pDSBuffer3, 0);
    int32_t during[3] = {};
    KeyScript script;
    script.Press(DIK_F3);
    script.At([&] {
        during[0] = HeadlessSoundBuffer(g_pDSBuffer1).volume;
        during[1] = HeadlessSoundBuffer(g_pDSBuffer2).volume;
        during[2] = HeadlessSoundBuffer(g_pDSBuffer3).volume;
    });
    script.Press(DIK_ESCAPE);
    DebuggerRequest = 1;
    script.Run(RunDebugger);
    for (int32_t v : during)
        EXPECT_EQ(v, -10000);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -500);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer2).volume, -600);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer3).volume, 0);
    EXPECT_EQ(DebuggerRequest, 0);
}

TEST_F(ShellTest, WithoutSoundNoSoundCallsAreMade)
{
    ASSERT_TRUE(BootDebuggerMachine("ScreenMode=0\nSoundEmulation=0\n"));
    const int calls = HeadlessSoundCallCount();
    KeyScript script;
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(HeadlessSoundCallCount(), calls);
}

TEST_F(ShellTest, OnlyTheLastMessageQueuedMeanwhileIsHandled)
{
    ASSERT_TRUE(BootDebuggerMachine());
    KeyScript script;
    // The keys the debugger reads reach the window as hot keys too.
    script.At([] {
        HeadlessPostKeyMessage(VK_F7, true);
        HeadlessPostKeyMessage(VK_F7, false);
        HeadlessPostKeyMessage(VK_F11, true);
    });
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(HeadlessQueuedMessages(), 0u);
    EXPECT_EQ(OptionsMenuRequest, 0);
    EXPECT_EQ(SoftResetRequest, 1);
}

TEST_F(ShellTest, F9OpensTheDebuggerFromTheMainLoop)
{
    ASSERT_TRUE(BootDebuggerMachine());
    int exitCode = 0;
    for (int i = 0; i < 10; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    HeadlessPostKeyMessage(VK_F9, true);
    KeyScript script;
    script.Shot("open");
    script.Press(DIK_ESCAPE);
    // The main loop handles one message every 257 passes; the pass that
    // handles F9 serves the request at its end.
    script.Run([&] {
        for (int i = 0; i < 600 && HeadlessQueuedMessages() > 0; i++)
            ASSERT_TRUE(MainLoopPass(&exitCode));
    });
    EXPECT_EQ(FirstListedAddress(script.Picture("open")), ">F000");
    EXPECT_EQ(DebuggerRequest, 0);
}

TEST_F(ShellTest, TheDebuggerSettingOpensItAtTheResetTarget)
{
    ASSERT_TRUE(BootDebuggerMachine("ScreenMode=0\nDebugger=1\n", 0xF123));
    EXPECT_EQ(DebuggerRequest, 1);
    KeyScript script;
    script.Shot("open");
    script.Press(DIK_ESCAPE);
    int exitCode = 0;
    script.Run([&] { ASSERT_TRUE(MainLoopPass(&exitCode)); });
    EXPECT_EQ(FirstListedAddress(script.Picture("open")), ">F123");
    EXPECT_EQ(DebuggerRequest, 0);
}

TEST_F(ShellTest, AnArmedBreakpointOpensTheDebugger)
{
    ASSERT_TRUE(BootDebuggerMachine());
    Ted.ResetRequest = 0;
    for (int i = 0; i < 4; i++)
        Ram64[0x2000 + i] = 0xEA;   // NOP
    Breakpoint = 0x2001;
    BreakpointEnabled = 1;
    Cpu.PC = 0x2000;
    Ted.DoubleSpeedLine = 0;
    KeyScript script;
    script.Shot("open");
    script.Press(DIK_ESCAPE);
    int exitCode = 0;
    script.Run([&] { ASSERT_TRUE(MainLoopPass(&exitCode)); });
    EXPECT_EQ(FirstListedAddress(script.Picture("open")), ">2001");
    EXPECT_EQ(Cpu.PC, 0x2001);

    // Leaving, the instruction at the breakpoint runs next.
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0x2002);
}

TEST_F(ShellTest, ADoubleSpeedPassChecksTheBreakpointBetweenItsInstructions)
{
    ASSERT_TRUE(BootDebuggerMachine());
    Config.Accuracy = 0;   // the older model's double-speed pass
    Ted.ResetRequest = 0;
    for (int i = 0; i < 4; i++)
        Ram64[0x2000 + i] = 0xEA;
    Breakpoint = 0x2001;
    BreakpointEnabled = 1;
    Cpu.PC = 0x2000;
    Ted.DoubleSpeedLine = 1;
    Ted.SingleClock = 0;
    KeyScript script;
    script.Shot("open");
    script.Press(DIK_ESCAPE);
    int exitCode = 0;
    script.Run([&] { ASSERT_TRUE(MainLoopPass(&exitCode)); });
    // Opened after the first instruction; the second ran after leaving.
    EXPECT_EQ(FirstListedAddress(script.Picture("open")), ">2001");
    EXPECT_EQ(Cpu.PC, 0x2002);
}

TEST_F(ShellTest, ADisarmedBreakpointDoesNothing)
{
    ASSERT_TRUE(BootDebuggerMachine());
    Ted.ResetRequest = 0;
    Ram64[0x2000] = 0xEA;
    Breakpoint = 0x2001;
    BreakpointEnabled = 0;
    Cpu.PC = 0x2000;
    const uint64_t presented = HeadlessPresentedCount();
    int exitCode = 0;
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0x2001);
    EXPECT_EQ(HeadlessPresentedCount(), presented);
}

TEST_F(ShellTest, StatusLineShowsTheRegisters)
{
    ASSERT_TRUE(BootDebuggerMachine());
    Cpu.PC = 0xE000;
    Cpu.AC = 0x12;
    Cpu.XR = 0x34;
    Cpu.YR = 0x56;
    Cpu.SP = 0xF8;
    Cpu.FlagN = Cpu.FlagV = Cpu.FlagB = Cpu.FlagD = Cpu.FlagI = Cpu.FlagZ = Cpu.FlagC = 0;
    DrawStatusLine();
    EXPECT_EQ(ReadCells(FrameBufferWindow(), 0, 0, 40, 0x71, 0x5C), "PC:E000 ACC:12 X:34 Y:56 SP:F8  00100000");
}

// A presented ScreenMode 0 picture is the menu window itself.
WindowPicture PresentedWindow(const HeadlessFrame& frame)
{
    WindowPicture picture;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            picture.pixels[y * 320 + x] = frame.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    return picture;
}

TEST_F(ShellTest, ShiftF9ShowsTheStatusLineOverEveryFrame)
{
    ASSERT_TRUE(BootDebuggerMachine());
    int exitCode = 0;
    for (int i = 0; i < 10; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    // INX; JMP $2000: X changes all the time.
    const uint8_t loop[4] = {0xE8, 0x4C, 0x00, 0x20};
    for (int i = 0; i < 4; i++)
        Ram64[0x2000 + i] = loop[i];
    Cpu.PC = 0x2000;

    HeadlessPostKeyMessage(VK_SHIFT, true);
    HeadlessPostKeyMessage(VK_F9, true);
    HeadlessPostKeyMessage(VK_F9, false);
    HeadlessPostKeyMessage(VK_SHIFT, false);
    for (int i = 0; i < 2000 && HeadlessQueuedMessages() > 0; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    ASSERT_EQ(StatusLineOn, 1);

    // Each presented frame shows the registers as they are at its end.
    std::vector<std::string> shown, expected;
    HeadlessOnPresent([&](const HeadlessFrame& frame) {
        char text[41];
        FormatStatusLine(text);
        expected.push_back(text);
        shown.push_back(ReadCells(PresentedWindow(frame), 0, 0, 40, 0x71, 0x5C));
    });
    for (long pass = 0; pass < 400000 && shown.size() < 3; pass++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    HeadlessOnPresent(nullptr);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown, expected);
    EXPECT_NE(shown[0], shown[1]);
    // The frame ends on one of the loop's two instructions.
    EXPECT_TRUE(shown[0].starts_with("PC:2000") || shown[0].starts_with("PC:2001")) << shown[0];

    // Shift+F9 again: the picture's own top row comes back.
    HeadlessPostKeyMessage(VK_SHIFT, true);
    HeadlessPostKeyMessage(VK_F9, true);
    for (int i = 0; i < 2000 && HeadlessQueuedMessages() > 0; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    ASSERT_EQ(StatusLineOn, 0);
    std::string after;
    HeadlessOnPresent([&](const HeadlessFrame& frame) { after = ReadCells(PresentedWindow(frame), 0, 0, 7, 0x71, 0x5C); });
    const uint64_t presented = HeadlessPresentedCount();
    for (long pass = 0; pass < 400000 && HeadlessPresentedCount() < presented + 2; pass++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    HeadlessOnPresent(nullptr);
    EXPECT_NE(after, "PC:2000");
}

}  // namespace
