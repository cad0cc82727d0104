// The main loop's pass, the resets, pausing, and ending the program.
#include <gtest/gtest.h>

#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "support/test_support.h"

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        dir.WriteTinyRoms(0xF000);
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    int exitCode = -1;
};

TEST_F(MainLoopTest, OlderModelFirstPassTakesTheResetAfterOneInstruction)
{
    Config.Accuracy = 0;
    EXPECT_EQ(Cpu.PC, 0);
    EXPECT_EQ(AppActive, 1u);   // showing the window activated the application
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0xF000);
    EXPECT_EQ(Ted.ResetRequest, 0);
    // RAM at 0 holds 0x00, a BRK: it pushes 0x0002 and its status, then the
    // reset entry pushes the interrupt vector's target and status again.
    EXPECT_EQ(Cpu.SP, 0xF9);
    EXPECT_EQ(Ram64[0x01FF], 0x00);
    EXPECT_EQ(Ram64[0x01FE], 0x02);
    EXPECT_EQ(Ram64[0x01FC], 0xF0);
    EXPECT_EQ(Ram64[0x01FB], 0x00);
}

// The chip's reset: the stack pointer moves down by three without writing,
// I is set, D is left, PC comes from 0xFFFC, in 7 cycles.  It starts a
// jammed processor again.
TEST_F(MainLoopTest, FirstPassTakesTheChipsResetAfterOneInstruction)
{
    ASSERT_TRUE(MainLoopPass(&exitCode));   // the BRK at 0 pushes three bytes, then the reset
    EXPECT_EQ(Cpu.PC, 0xF000);
    EXPECT_EQ(Cpu.SP, 0xF9);
    EXPECT_EQ(Ram64[0x01FC], RamFillPattern(0x01FC));
    EXPECT_EQ(LastCycle, 7 + 7);
    Ram64[0x2000] = 0x02;   // JAM
    Cpu.PC = 0x2000;
    Cpu.FlagI = 0;
    Cpu.FlagD = 1;
    for (int i = 0; i < 100; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0x2000);
    SoftResetRequest = 1;
    for (int i = 0; i < 2; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));   // the request is served after the first
    EXPECT_EQ(Cpu.PC, 0xF000);
    EXPECT_EQ(Cpu.SP, 0xF6);
    EXPECT_TRUE(Cpu.FlagI && Cpu.FlagD);
}

TEST_F(MainLoopTest, DoubleSpeedPassHalvesTheCyclesWithACarry)
{
    Config.Accuracy = 0;   // the older model's double-speed pass
    ASSERT_TRUE(MainLoopPass(&exitCode));
    const uint8_t program[] = {0xA5, 0x10, 0xAD, 0x34, 0x12};   // LDA $10 (3), LDA $1234 (4)
    for (size_t i = 0; i < sizeof program; i++)
        Ram64[0x1000 + i] = program[i];
    Cpu.PC = 0x1000;
    Cpu.FlagI = 1;
    Ted.DoubleSpeedLine = 1;
    Ted.SingleClock = 0;
    Ted.LinePosition = 0;
    Ted.LineSetupPending = 0;
    HalfCycleCarry = 0;
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0x1005);
    // The raster saw (3 + 0) / 2 = 1 and then (4 + 1) / 2 = 2 cycles.
    EXPECT_EQ(Ted.LinePosition, 12);
    EXPECT_EQ(HalfCycleCarry, 1);
    // What the renderer sees: half of both instructions together.
    EXPECT_EQ(LastCycle, 3);
}

TEST_F(MainLoopTest, InactiveApplicationRunsNothing)
{
    PostMessage(MainWindow, WM_ACTIVATEAPP, 0, 0);
    PumpCounter = 257;
    ASSERT_TRUE(MainLoopPass(&exitCode));   // handles the deactivation, then waits
    EXPECT_EQ(AppActive, 0u);
    for (int i = 0; i < 1000; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0);
    EXPECT_EQ(Ted.ResetRequest, 1);

    PostMessage(MainWindow, WM_ACTIVATEAPP, 1, 0);
    for (int i = 0; i < 300 && AppActive == 0; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(AppActive, 1u);
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0xF000);
}

TEST_F(MainLoopTest, OneMessageEvery257Passes)
{
    PostMessage(MainWindow, WM_KEYDOWN, VK_F11, 0);
    PostMessage(MainWindow, WM_KEYDOWN, VK_F6, 0);
    int passes = 0;
    while (HeadlessQueuedMessages() == 2 && passes < 1000) {
        ASSERT_TRUE(MainLoopPass(&exitCode));
        passes++;
    }
    // PumpCounter starts at 0: the first message is handled on pass 258.
    EXPECT_EQ(passes, 258);
    EXPECT_EQ(HeadlessQueuedMessages(), 1u);
}

TEST_F(MainLoopTest, F12EndsTheProgramWithExitCodeZero)
{
    SavedPriorityClass = HIGH_PRIORITY_CLASS;
    PostMessage(MainWindow, WM_KEYDOWN, VK_F12, 0);
    int passes = 0;
    bool running = true;
    while (running && passes < 2000) {
        running = MainLoopPass(&exitCode);
        passes++;
    }
    EXPECT_FALSE(running);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Ram64, nullptr);
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    EXPECT_EQ(HeadlessPriorityClass(), HIGH_PRIORITY_CLASS);   // restored from SavedPriorityClass
}

TEST_F(MainLoopTest, SoftResetKeepsMemoryAndRestoresTheJoystick)
{
    ASSERT_TRUE(MainLoopPass(&exitCode));
    Ram64[0x1234] = 0x5A;
    StartupJoystick = 1;
    JoystickMode = 2;
    SoftResetRequest = 1;
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(SoftResetRequest, 0);
    EXPECT_EQ(JoystickMode, 1u);
    EXPECT_EQ(Ram64[0x1234], 0x5A);
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Cpu.PC, 0xF000);
}

TEST_F(MainLoopTest, HardResetClearsMemoryButNotTheTimers)
{
    Ram64[0x1234] = 0x5A;
    Ram64[0xFF80] = 0x77;
    Ram64[0xFF15] = 0x71;
    Ted.Timer1Running = 0;   // so that the pass itself does not count it down
    Ted.Timer1Counter = 0x1111;
    Ted.Timer1Latch = 0x2222;
    Ted.Timer2Running = 0;
    Ted.RomEnabled = 0;
    Ted.RasterIrqDue = 1;
    Ted.IrqPending = 1;   // noticed before the reset (and not yet due): dropped
    Ted.IrqDelay = 0;
    Ted.RasterLine = 100;
    Cpu.AC = 9;
    Cpu.FlagC = 1;
    StartupJoystick = 0;
    JoystickMode = 2;
    HardResetRequest = 1;
    ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(HardResetRequest, 0);
    EXPECT_EQ(Ram64[0x1234], RamFillPattern(0x1234));
    for (uint32_t a = 0xFF00; a < 0x10000; a++)
        ASSERT_EQ(Ram64[a], 0) << a;
    EXPECT_EQ(Ted.Timer1Counter, 0x1111);
    EXPECT_EQ(Ted.Timer1Latch, 0x2222);
    EXPECT_EQ(Ted.Timer2Running, 0);
    EXPECT_EQ(Ted.RomEnabled, 1);
    EXPECT_EQ(Ted.ResetRequest, 1);
    EXPECT_EQ(Ted.RasterIrqDue, 0);
    EXPECT_EQ(Ted.IrqPending, 0);
    EXPECT_EQ(Ted.IrqDelay, 0);
    EXPECT_EQ(Ted.RasterLine, 0);
    EXPECT_EQ(Cpu.AC, 0);
    EXPECT_EQ(Cpu.FlagC, 0);
    EXPECT_EQ(Cpu.SP, 0xFF);
    EXPECT_EQ(JoystickMode, 0u);
}

TEST_F(MainLoopTest, PowerOnResetReturnsEverythingToTheStart)
{
    ASSERT_TRUE(MainLoopPass(&exitCode));
    ResetMachineToPowerOn();
    EXPECT_EQ(Ram64, nullptr);
    EXPECT_EQ(Cpu.PC, 0);
    EXPECT_EQ(Ted.Timer1Counter, 0);
    EXPECT_EQ(AppActive, 0u);
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    EXPECT_EQ(MainWindow, nullptr);
}

}  // namespace
