// The disassembler page: the listing, the breakpoint line, address entry,
// scrolling and the execution keys, driven by scripted keys.
#include <gtest/gtest.h>

#include <cstring>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger/debugger_text.h"
#include "debugger_test_support.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "platform/headless/headless_control.h"
#include "ted/memory_map.h"

namespace {

class DisassemblerPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BootDebuggerMachine());
        Ted.ResetRequest = 0;   // as if the machine had started
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    void Poke(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            Ram64[address++] = b;
    }
    ScratchDirectory scratch;
};

std::string ListingAddress(const WindowPicture& p, int line)
{
    return ReadCells(p, 1, 2 + line, 4, 0x71, 0x00);
}

std::string ListingText(const WindowPicture& p, int line)
{
    return ReadCells(p, 6, 2 + line, 34, 0x71, 0x00);
}

TEST_F(DisassemblerPageTest, ListsFromPcWithMarkerRegistersAndBreakpoint)
{
    Poke(0x1000, {0xF0, 0xFE,            // BEQ to itself
                  0xAD, 0x0B, 0xFF,      // LDA $FF0B
                  0xBB, 0x34, 0x12,      // listed absolute,Y
                  0x80, 0x44,            // NOP #imm
                  0x8D, 0x20, 0xFF});    // no register name
    Cpu.PC = 0x1000;
    LastCycle = 0x1C;
    KeyScript script;
    script.Shot("listing");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    const WindowPicture& p = script.Picture("listing");
    EXPECT_EQ(ReadCells(p, 0, 0, 12, 0x71, 0x5E), "DISASSEMBLER");
    EXPECT_EQ(ReadCells(p, 15, 0, 25, 0x61, 0x5E), "USE F1-F4 TO CHANGE PAGES");
    EXPECT_EQ(ReadCells(p, 0, 2, 1, 0x71, 0x00), ">");
    EXPECT_EQ(ReadCells(p, 0, 3, 1, 0x71, 0x00), " ");
    const char* expected[5][2] = {
        {"1000", "F0 FE    BEQ $1000                "},
        {"1002", "AD 0B FF LDA $FF0B   ;RASTER      "},
        {"1005", "BB 34 12 TSA $1234,Y              "},
        {"1008", "80 44    NO2 #$44                 "},
        {"100A", "8D 20 FF STA $FF20                "},
    };
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(ListingAddress(p, i), expected[i][0]);
        EXPECT_EQ(ListingText(p, i), expected[i][1]);
    }
    EXPECT_EQ(ReadCells(p, 0, 19, 25, 0x44, 0x00), " PC  AC XR YR SP NV-BDIZC");
    EXPECT_EQ(ReadCells(p, 0, 20, 25, 0x44, 0x00), "1000 00 00 00 FF 00100000");
    EXPECT_EQ(ReadCells(p, 27, 19, 13, 0x46, 0x00), "LASTCYCLE: 1C");
    EXPECT_EQ(ReadCells(p, 0, 22, 25, 0x45, 0x00), "BREAKPOINT: 0000 DISABLED");
    EXPECT_EQ(ReadCells(p, 2, 24, 5, 0x4F, 0x61), "-JMP ");
    for (auto [column, name] : {std::pair{0, "F5"}, {7, "F6"}, {19, "F7"}, {26, "F8"}, {34, "B"}})
        EXPECT_EQ(ReadCells(p, column, 24, static_cast<int>(std::strlen(name)), 0x3B, 0x61), name);
}

TEST_F(DisassemblerPageTest, F6SetsTheBreakpointAndBTogglesIt)
{
    Cpu.PC = 0xC000;
    KeyScript script;
    script.Press(DIK_F6);
    script.Shot("set");
    script.Press(DIK_B);
    script.Shot("enabled");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    EXPECT_EQ(ReadCells(script.Picture("set"), 0, 22, 25, 0x45, 0x00), "BREAKPOINT: C000 DISABLED");
    EXPECT_EQ(ReadCells(script.Picture("enabled"), 0, 22, 25, 0x75, 0x00), "BREAKPOINT: C000 ENABLED ");
    EXPECT_EQ(Breakpoint, 0xC000);
    EXPECT_EQ(BreakpointEnabled, 1);
}

TEST_F(DisassemblerPageTest, F5TypesAnAddressForTheListing)
{
    Cpu.PC = 0x2000;
    KeyScript script;
    // An entry given up with Escape leaves the listing where it was.
    script.Press(DIK_F5);
    script.Press(DIK_3);
    script.Press(DIK_ESCAPE);
    script.Shot("cancelled");
    script.Press(DIK_F5);
    script.Press(DIK_1);
    script.Press(DIK_2);
    script.Shot("typing");
    script.Press(DIK_RETURN);
    script.Shot("moved");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    EXPECT_EQ(ListingAddress(script.Picture("cancelled"), 0), "2000");
    EXPECT_EQ(ReadCells(script.Picture("typing"), 1, 2, 2, 0x71, 0x14), "12");
    EXPECT_EQ(ListingAddress(script.Picture("moved"), 0), "0012");
}

TEST_F(DisassemblerPageTest, F5BackspaceTakesBackADigit)
{
    Cpu.PC = 0x2000;
    KeyScript script;
    script.Press(DIK_F5);
    for (uint8_t key : {DIK_A, DIK_B, DIK_BACK, DIK_C, DIK_D, DIK_E, DIK_F})
        script.Press(key);   // the fifth digit does not fit
    script.Press(DIK_RETURN);
    script.Shot("moved");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(ListingAddress(script.Picture("moved"), 0), "ACDE");
}

TEST_F(DisassemblerPageTest, ScrollingKeysWrapThroughTheEndOfMemory)
{
    Poke(0x0000, {0xAD, 0x00, 0x00, 0xEA});
    Ted.RomEnabled = 0;   // RAM under the KERNAL
    Ram64[0xFFFF] = 0xAD;
    Cpu.PC = 0x0000;
    KeyScript script;
    script.Press(DIK_UP);
    script.Shot("up from 0");
    script.Press(DIK_DOWN);
    script.Shot("down from FFFF");
    script.Press(DIK_PRIOR);
    script.Shot("page up");
    script.Press(DIK_NEXT);
    script.Shot("page down");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    EXPECT_EQ(ListingAddress(script.Picture("up from 0"), 0), "FFFF");
    // The three-byte instruction at 0xFFFF ends at 0x0001.
    EXPECT_EQ(ListingAddress(script.Picture("down from FFFF"), 0), "0002");
    // Every line is listed, on through 0x0000; Page Down starts after the
    // sixteenth.
    uint16_t address = 0xFFF2;
    char text[8];
    for (int line = 0; line <= 16; line++) {
        std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address));
        if (line < 16) {
            EXPECT_EQ(ListingAddress(script.Picture("page up"), line), text) << "line " << line;
        }
        address = static_cast<uint16_t>(address + InstructionLength(MnemonicTable[ReadByte(address)].mode));
    }
    EXPECT_EQ(ListingAddress(script.Picture("page down"), 0), text);
}

TEST_F(DisassemblerPageTest, F8StepsOneInstructionAndTheListingFollows)
{
    Poke(0x2000, {0xA9, 0x42,    // LDA #$42
                  0xAA,          // TAX
                  0xEA});
    Cpu.PC = 0x2000;
    KeyScript script;
    script.Press(DIK_F8);
    script.Shot("stepped");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);

    EXPECT_EQ(Cpu.PC, 0x2002);
    EXPECT_EQ(Cpu.AC, 0x42);
    const WindowPicture& p = script.Picture("stepped");
    EXPECT_EQ(ListingAddress(p, 0), "2002");
    EXPECT_EQ(ReadCells(p, 0, 2, 1, 0x71, 0x00), ">");
    EXPECT_EQ(ReadCells(p, 0, 20, 25, 0x44, 0x00), "2002 42 00 00 FF 00100000");
    EXPECT_EQ(ReadCells(p, 27, 19, 13, 0x46, 0x00), "LASTCYCLE: 02");
}

TEST_F(DisassemblerPageTest, F8OnADoubleSpeedLineHalvesTheCycles)
{
    Poke(0x2000, {0x4C, 0x00, 0x20});   // JMP $2000: 3 cycles
    Cpu.PC = 0x2000;
    Ted.DoubleSpeedLine = 1;
    Ted.SingleClock = 0;
    HalfCycleCarry = 0;
    KeyScript script;
    script.Press(DIK_F8);
    script.Shot("stepped");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    // The timers and the raster saw half: one cycle, the odd one carried.
    EXPECT_EQ(ReadCells(script.Picture("stepped"), 27, 19, 13, 0x46, 0x00), "LASTCYCLE: 01");
    EXPECT_EQ(HalfCycleCarry, 1);

    Ted.DoubleSpeedLine = 0;
    KeyScript again;
    again.Press(DIK_F8);
    again.Shot("stepped");
    again.Press(DIK_ESCAPE);
    again.Run(RunDebugger);
    EXPECT_EQ(ReadCells(again.Picture("stepped"), 27, 19, 13, 0x46, 0x00), "LASTCYCLE: 03");
}

TEST_F(DisassemblerPageTest, QuickTapsOfSteppingKeysAllAct)
{
    Poke(0x2000, {0xE8, 0xE8, 0xE8, 0xE8});   // INX
    Cpu.PC = 0x2000;
    KeyScript script;
    // Short taps, each seen by one pass only: the repeat pacer is left
    // waiting on the first when the second comes.
    script.Hold(DIK_F8, 1);
    script.Hold(DIK_F8, 1);
    script.Hold(DIK_F7, 1);
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(Cpu.XR, 3);
}

TEST_F(DisassemblerPageTest, RightShiftF8StepsOncePerVerticalBlank)
{
    Poke(0x2000, {0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8});
    Cpu.PC = 0x2000;
    KeyScript script;
    script.At([] { HeadlessSetKey(DIK_RSHIFT, true); });
    script.Hold(DIK_F8, 6);
    script.At([] { HeadlessSetKey(DIK_RSHIFT, false); });
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    // A pass with the key held takes a presentation and a vertical blank.
    EXPECT_EQ(Cpu.XR, 3);
}

TEST_F(DisassemblerPageTest, F7RunsASubroutineToItsReturn)
{
    Poke(0x2000, {0x20, 0x00, 0x30,   // JSR $3000
                  0xEA});
    Poke(0x3000, {0xE8, 0xC8, 0x60});  // INX, INY, RTS
    Cpu.PC = 0x2000;
    KeyScript script;
    script.Press(DIK_F7);
    script.Shot("over");
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(Cpu.PC, 0x2003);
    EXPECT_EQ(Cpu.XR, 1);
    EXPECT_EQ(Cpu.YR, 1);
    EXPECT_EQ(Cpu.SP, 0xFF);
    EXPECT_EQ(ListingAddress(script.Picture("over"), 0), "2003");
}

TEST_F(DisassemblerPageTest, F7OnAnythingButJsrStepsOnce)
{
    Poke(0x2000, {0xE8, 0xE8, 0xE8});
    Cpu.PC = 0x2000;
    KeyScript script;
    script.Press(DIK_F7);
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(Cpu.PC, 0x2001);
    EXPECT_EQ(Cpu.XR, 1);
}

TEST_F(DisassemblerPageTest, EscapeEndsAStepOverThatNeverReturns)
{
    Poke(0x2000, {0x20, 0x00, 0x30});   // JSR $3000
    Poke(0x3000, {0x4C, 0x00, 0x30});   // JMP $3000, for ever
    Cpu.PC = 0x2000;
    KeyScript script;
    script.At([] { HeadlessSetKey(DIK_ESCAPE, true); });
    script.Press(DIK_F7, 0);
    script.Wait(4);
    script.At([] { HeadlessSetKey(DIK_ESCAPE, false); });
    script.Wait(6);
    script.Shot("stopped");   // still in the debugger
    script.Press(DIK_ESCAPE);
    script.Run(RunDebugger);
    EXPECT_EQ(Cpu.PC, 0x3000);
    EXPECT_EQ(Cpu.SP, 0xFD);
    EXPECT_EQ(ListingAddress(script.Picture("stopped"), 0), "3000");
}

}  // namespace
