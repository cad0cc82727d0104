// The TED dump and registers pages, driven by scripted keys.
#include <gtest/gtest.h>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger_test_support.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "platform/headless/headless_control.h"
#include "ted/memory_map.h"

namespace {

class TedPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BootDebuggerMachine());
        Ted.ResetRequest = 0;
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    ScratchDirectory scratch;
};

TEST_F(TedPagesTest, TedDumpShowsTheDecodedStateAndColourLabels)
{
    Ted.Timer1Latch = 0x1234;
    Ted.Timer1Counter = 0x0FFF;
    Ted.Timer1Running = 0;
    WriteByte(0xFF15, 0x71);
    WriteByte(0xFF16, 0x32);
    WriteByte(0xFF17, 0x45);
    WriteByte(0xFF18, 0x5E);
    WriteByte(0xFF19, 0x6D);
    KeyScript script;
    script.Press(DIK_F3);
    script.Shot("ted");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    const WindowPicture& p = script.Picture("ted");
    EXPECT_EQ(ReadCells(p, 0, 0, 11, 0x71, 0x5E), "TED DUMP #1");
    EXPECT_EQ(ReadCells(p, 15, 0, 25, 0x61, 0x5E), "USE F1-F4 TO CHANGE PAGES");
    EXPECT_EQ(ReadCells(p, 0, 2, 36, 0x68, 0x00), "TIMER1:                1234/0FFF OFF");
    EXPECT_EQ(ReadCells(p, 0, 15, 13, 0x66, 0x00), "BORDER COLOR ");
    EXPECT_EQ(ReadCells(p, 15, 15, 17, 0x66, 0x00), "               6D");
    // Each colour label in the colour it names.
    EXPECT_EQ(ReadCells(p, 0, 14, 6, 0x66, 0x00), "COLOR ");
    EXPECT_EQ(ReadCells(p, 6, 14, 2, 0x71, 0x00), "#0");
    EXPECT_EQ(ReadCells(p, 9, 14, 2, 0x32, 0x00), "#1");
    EXPECT_EQ(ReadCells(p, 12, 14, 2, 0x45, 0x00), "#2");
    EXPECT_EQ(ReadCells(p, 15, 14, 2, 0x5E, 0x00), "#3");
    EXPECT_EQ(ReadCells(p, 21, 14, 11, 0x66, 0x00), "71 32 45 5E");
    EXPECT_EQ(ReadCells(p, 13, 15, 2, 0x6D, 0x00), "#4");
    // The footer tells where Tab goes.
    EXPECT_EQ(ReadCells(p, 0, 24, 3, 0x3B, 0x61), "ESC");
    EXPECT_EQ(ReadCells(p, 10, 24, 3, 0x3B, 0x61), "TAB");
    EXPECT_EQ(ReadCells(p, 3, 24, 7, 0x4F, 0x61), "-BACK  ");
    EXPECT_EQ(ReadCells(p, 13, 24, 27, 0x4F, 0x61), "-REGISTERS                 ");
}

TEST_F(TedPagesTest, TabLeadsAroundThePagesInTurn)
{
    KeyScript script;
    script.Shot("1");
    script.Press(DIK_TAB);
    script.Shot("2");
    script.Press(DIK_TAB);
    script.Shot("3");
    script.Press(DIK_TAB);
    script.Shot("4");
    script.Press(DIK_TAB);
    script.Shot("back to 1");
    script.Press(DIK_F4);
    script.Shot("F4");
    script.Press(DIK_F3);
    script.Shot("F3");
    script.Press(DIK_F1);
    script.Shot("F1");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    auto title = [&](const char* shot) { return ReadCells(script.Picture(shot), 0, 0, 12, 0x71, 0x5E); };
    EXPECT_EQ(title("1"), "DISASSEMBLER");
    EXPECT_EQ(title("2"), "MEMORY DUMP ");
    EXPECT_EQ(title("3"), "TED DUMP #1 ");
    EXPECT_EQ(title("4"), "REGISTERS   ");
    EXPECT_EQ(title("back to 1"), "DISASSEMBLER");
    EXPECT_EQ(title("F4"), "REGISTERS   ");
    EXPECT_EQ(title("F3"), "TED DUMP #1 ");
    EXPECT_EQ(title("F1"), "DISASSEMBLER");
}

TEST_F(TedPagesTest, RegistersPageLayout)
{
    Cpu.PC = 0xABCD;
    Cpu.FlagC = 1;
    WriteByte(0xFF11, 0xB5);   // sample output: volume 5, both voices
    KeyScript script;
    script.Press(DIK_F4);
    script.Shot("registers");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    const WindowPicture& p = script.Picture("registers");
    EXPECT_EQ(ReadCells(p, 0, 0, 9, 0x71, 0x5E), "REGISTERS");
    EXPECT_EQ(ReadCells(p, 0, 2, 25, 0x44, 0x00), " PC  AC XR YR SP NV-BDIZC");
    // The digit at the edit position (0) stands out.
    EXPECT_EQ(ReadCells(p, 0, 3, 1, 0x71, 0x14), "A");
    EXPECT_EQ(ReadCells(p, 1, 3, 24, 0x44, 0x00), "BCD 00 00 00 FF 00100001");
    EXPECT_EQ(ReadCells(p, 0, 5, 16, 0x44, 0x00), "DIGI VOLUME:   5");
    EXPECT_EQ(ReadCells(p, 0, 6, 16, 0x44, 0x00), "DIGI CHANNELS: 2");
    EXPECT_EQ(ReadCells(p, 0, 7, 17, 0x44, 0x00), "DIGI LEVEL:    10");
    EXPECT_EQ(ReadCells(p, 18, 5, 21, 0x44, 0x00), "$FF11: $B5 - 10110101");
    EXPECT_EQ(ReadCells(p, 13, 24, 27, 0x4F, 0x61), "-DISASSEMBLER              ");
}

TEST_F(TedPagesTest, TypingDigitsEditsTheRegisters)
{
    Cpu.PC = 0x0000;
    Cpu.FlagZ = 0;
    KeyScript script;
    script.Press(DIK_F4);
    for (uint8_t key : {DIK_1, DIK_2, DIK_3, DIK_4})
        script.Press(key);
    script.Shot("pc typed");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(Cpu.PC, 0x1234);
    // The edit position has moved on to AC's high digit, column 5.
    EXPECT_EQ(ReadCells(script.Picture("pc typed"), 5, 3, 1, 0x71, 0x14), "0");
    EXPECT_EQ(ReadCells(script.Picture("pc typed"), 0, 3, 4, 0x44, 0x00), "1234");
}

TEST_F(TedPagesTest, FlagDigitsAndTheEditPositionLimits)
{
    Cpu.FlagZ = 1;
    KeyScript script;
    script.Press(DIK_F4);
    script.Press(DIK_LEFT);   // at 0: stays
    script.Press(DIK_A);      // PC's top digit
    script.Hold(DIK_RIGHT, 200);   // repeats to the last position and stays
    script.Shot("at the end");
    script.Press(DIK_5);      // C: neither 0 nor 1
    script.Shot("after 5");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(Cpu.PC >> 12, 0xA);
    EXPECT_EQ(Cpu.FlagZ, 1);
    EXPECT_EQ(Cpu.FlagC, 0);
    // Right held at 18 keeps it there: the last flag digit stands out.
    EXPECT_EQ(ReadCells(script.Picture("at the end"), 24, 3, 1, 0x71, 0x14), "0");
    EXPECT_EQ(ReadCells(script.Picture("after 5"), 24, 3, 1, 0x71, 0x14), "0");
}

TEST_F(TedPagesTest, EditingAFlagWithZeroAndOne)
{
    Cpu.FlagN = 0;
    Cpu.FlagV = 1;
    Cpu.FlagZ = 1;
    Cpu.FlagC = 0;
    KeyScript script;
    script.Press(DIK_F4);
    script.Hold(DIK_RIGHT, 1);    // position 1
    for (int i = 0; i < 11; i++)
        script.Press(DIK_0);      // positions 1-11: PC low digits and registers, to 12 (N)
    script.Press(DIK_1);          // N set, on to V
    script.Press(DIK_0);          // V cleared
    for (int i = 0; i < 3; i++)
        script.Press(DIK_0);      // B, D, I
    script.Press(DIK_5);          // Z unchanged, on to C
    script.Press(DIK_1);          // C set
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_NE(Cpu.FlagN, 0);
    EXPECT_EQ(Cpu.FlagV, 0);
    EXPECT_EQ(Cpu.FlagZ, 1);
    EXPECT_EQ(Cpu.FlagC, 1);
    EXPECT_EQ(Cpu.AC, 0);
    EXPECT_EQ(Cpu.SP, 0);
}

}  // namespace
