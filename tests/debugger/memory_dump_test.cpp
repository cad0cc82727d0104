// The memory dump page, driven by scripted keys and read back cell by cell.
#include <gtest/gtest.h>

#include <cstdio>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger_test_support.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "machine/startup.h"

namespace {

class MemoryDumpTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BootDebuggerMachine()); }
    void TearDown() override { ResetMachineToPowerOn(); }
    ScratchDirectory scratch;
};

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X:", value);
    return text;
}

// The eight bytes of a row as drawn, "41 C1 ..." (the gaps are never drawn).
std::string RowBytes(const WindowPicture& picture, int row)
{
    std::string text;
    for (int i = 0; i < 8; i++)
        text += (i ? " " : "") + ReadCells(picture, 5 + 3 * i, row, 2, 0x71, 0x00);
    return text;
}

// The sixteen row labels of a picture, starting at first, in the given ink.
void ExpectLabels(const WindowPicture& picture, unsigned first, uint8_t ink)
{
    for (int r = 0; r < 16; r++)
        EXPECT_EQ(ReadCells(picture, 0, 2 + r, 5, ink, 0x00), Hex4(first + 8 * r)) << "row " << 2 + r;
}

TEST_F(MemoryDumpTest, OpensAtPcWithItsLayout)
{
    Cpu.PC = 0xE000;
    KeyScript script;
    script.Press(DIK_F2);
    script.Shot("dump");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    const WindowPicture& p = script.Picture("dump");
    EXPECT_EQ(ReadCells(p, 0, 0, 15, 0x71, 0x5E), "MEMORY DUMP    ");
    EXPECT_EQ(ReadCells(p, 15, 0, 25, 0x61, 0x5E), "USE F1-F4 TO CHANGE PAGES");
    ExpectLabels(p, 0xE000, 0x71);
    // The tiny KERNAL is all NOPs there: EA, shown as screen code 0x2A.
    for (int r = 0; r < 16; r++) {
        EXPECT_EQ(RowBytes(p, 2 + r), "EA EA EA EA EA EA EA EA");
        EXPECT_EQ(ReadCells(p, 31, 2 + r, 8, 0x00, 0x71), "********");
    }
    EXPECT_EQ(ReadCells(p, 0, 19, 25, 0x44, 0x00), " PC  AC XR YR SP NV-BDIZC");
    EXPECT_EQ(ReadCells(p, 0, 20, 25, 0x44, 0x00), "E000 00 00 00 FF 00100000");
    // The footer with its key names standing out.
    EXPECT_EQ(ReadCells(p, 3, 24, 7, 0x4F, 0x61), "-BACK  ");
    EXPECT_EQ(ReadCells(p, 11, 24, 6, 0x4F, 0x61), "-TED  ");
    EXPECT_EQ(ReadCells(p, 18, 24, 7, 0x4F, 0x61), "-LOCK  ");
    EXPECT_EQ(ReadCells(p, 28, 24, 12, 0x4F, 0x61), "-TED DUMP   ");
    EXPECT_EQ(ReadCells(p, 0, 24, 3, 0x3B, 0x61), "ESC");
    EXPECT_EQ(ReadCells(p, 10, 24, 1, 0x3B, 0x61), "T");
    EXPECT_EQ(ReadCells(p, 17, 24, 1, 0x3B, 0x61), "L");
    EXPECT_EQ(ReadCells(p, 25, 24, 3, 0x3B, 0x61), "TAB");
    EXPECT_EQ(DumpAddress, 0xE000);
}

TEST_F(MemoryDumpTest, ViewStartsAtTheRowHoldingPc)
{
    Cpu.PC = 0xE003;
    KeyScript script;
    script.Press(DIK_F2);
    script.Shot("dump");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    ExpectLabels(script.Picture("dump"), 0xE000, 0x71);
    EXPECT_EQ(DumpAddress, 0xE003);   // the view address itself is kept
}

TEST_F(MemoryDumpTest, NavigationKeys)
{
    Cpu.PC = 0x0040;
    KeyScript script;
    script.Press(DIK_F2);
    script.Press(DIK_T);
    script.Shot("ted");
    script.Press(DIK_END);
    script.Shot("end");
    script.Press(DIK_DOWN);
    script.Shot("end+down");
    script.Press(DIK_UP);
    script.Shot("up");
    script.Press(DIK_PRIOR);
    script.Shot("pageup");
    script.Press(DIK_HOME);
    script.Press(DIK_NEXT);
    script.Shot("pagedown");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    ExpectLabels(script.Picture("ted"), 0xFF00, 0x71);
    ExpectLabels(script.Picture("end"), 0xFF80, 0x71);
    ExpectLabels(script.Picture("end+down"), 0xFF80, 0x71);
    ExpectLabels(script.Picture("up"), 0xFF78, 0x71);
    ExpectLabels(script.Picture("pageup"), 0xFEF8, 0x71);
    ExpectLabels(script.Picture("pagedown"), 0x0080, 0x71);
}

TEST_F(MemoryDumpTest, PageUpStopsAtZeroAndUpBelowEightDoesNothing)
{
    Cpu.PC = 0x0040;
    KeyScript script;
    script.Press(DIK_F2);
    script.Press(DIK_PRIOR);
    script.Shot("pageup");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    ExpectLabels(script.Picture("pageup"), 0x0000, 0x71);

    Cpu.PC = 0x0007;
    KeyScript again;
    again.Press(DIK_F2);
    again.Press(DIK_UP);
    again.Press(DIK_ESCAPE);
    again.Run(RunDebugger);
    EXPECT_EQ(DumpAddress, 0x0007);
}

TEST_F(MemoryDumpTest, LockKeepsTheViewAcrossVisitsInItsOwnColour)
{
    Cpu.PC = 0x2000;
    KeyScript script;
    script.Press(DIK_F2);
    script.Press(DIK_T);
    script.Press(DIK_L);
    script.Shot("locked");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    ExpectLabels(script.Picture("locked"), 0xFF00, 0x72);
    EXPECT_EQ(DumpLock, 1);

    // The machine runs on; the dump reopens where it was, still locked.
    int exitCode = 0;
    for (int i = 0; i < 1000; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    Cpu.PC = 0x3000;
    KeyScript again;
    again.Press(DIK_F2);
    again.Shot("reopened");
    again.Press(DIK_L);
    again.Shot("unlocked");
    again.Press(DIK_ESCAPE);
    again.Run(RunDebugger);
    ExpectLabels(again.Picture("reopened"), 0xFF00, 0x72);
    ExpectLabels(again.Picture("unlocked"), 0xFF00, 0x71);
    EXPECT_EQ(DumpLock, 0);

    // Unlocked, the next visit opens at PC again.
    KeyScript third;
    third.Press(DIK_F2);
    third.Shot("pc");
    third.Press(DIK_ESCAPE);
    third.Run(RunDebugger);
    ExpectLabels(third.Picture("pc"), 0x3000, 0x71);
}

TEST_F(MemoryDumpTest, BytesShowAsCharacters)
{
    Cpu.PC = 0x2000;
    const uint8_t bytes[8] = {0x41, 0xC1, 0x0D, 0x31, 0x00, 0x20, 0x7F, 0x5A};
    for (int i = 0; i < 8; i++)
        Ram64[0x2000 + i] = bytes[i];
    KeyScript script;
    script.Press(DIK_F2);
    script.Shot("dump");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    const WindowPicture& p = script.Picture("dump");
    const int expected[8] = {0x01, 0x01, 0x2E, 0x31, 0x2E, 0x20, 0x3F, 0x1A};
    for (int i = 0; i < 8; i++) {
        // Dark glyphs (ink 0) on a light field (0x71).
        EXPECT_EQ(CellScreenCode(p, 31 + i, 2, 0x00, 0x71), expected[i]) << "byte " << i;
    }
    EXPECT_EQ(RowBytes(p, 2), "41 C1 0D 31 00 20 7F 5A");
}

TEST_F(MemoryDumpTest, AViewAboveFF80RunsPastTheEndOfMemory)
{
    DumpLock = 1;
    DumpAddress = 0xFFF8;
    Ram64[0x0000] = 0x5A;
    Ram64[0x0070] = 0xA5;
    Cpu.PC = 0x2000;
    KeyScript script;
    script.Press(DIK_F2);
    script.Shot("dump");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    const WindowPicture& p = script.Picture("dump");
    EXPECT_EQ(ReadCells(p, 0, 2, 5, 0x72, 0x00), "FFF8:");
    // Five digits: the first byte covers the colon.
    EXPECT_EQ(ReadCells(p, 0, 3, 5, 0x72, 0x00), "10000");
    EXPECT_EQ(ReadCells(p, 5, 3, 2, 0x71, 0x00), "5A");
    EXPECT_EQ(ReadCells(p, 0, 17, 5, 0x72, 0x00), "10070");
    EXPECT_EQ(ReadCells(p, 5, 17, 2, 0x71, 0x00), "A5");
    EXPECT_EQ(CellScreenCode(p, 31, 3, 0x00, 0x71), 0x1A);
}

TEST_F(MemoryDumpTest, ReadingTheTedRegistersHasNoSideEffects)
{
    Cpu.PC = 0xFF00;
    Ted.Timer1Counter = 0x1234;
    Ted.Timer1Running = 1;
    const uint8_t request = Ram64[0xFF09];
    KeyScript script;
    script.Press(DIK_F2);
    script.Shot("dump");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(RowBytes(script.Picture("dump"), 2).substr(0, 5), "34 12");
    EXPECT_EQ(Ted.Timer1Counter, 0x1234);
    EXPECT_EQ(Ted.Timer1Running, 1);
    EXPECT_EQ(Ram64[0xFF09], request);
}

}  // namespace
