// The debugger's texts: listing lines, register comments, register and
// status lines, dump characters, the TED dump rows and the register editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "cpu/registers.h"
#include "debugger/debugger_text.h"
#include "machine/machine_state.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

char HexDigit(unsigned v)
{
    return "0123456789ABCDEF"[v & 0xF];
}

std::string Line(uint16_t address, uint8_t b0, uint8_t b1 = 0, uint8_t b2 = 0, int* length = nullptr)
{
    char text[InstructionTextLength + 1];
    std::memset(text, '#', sizeof text);
    int n = FormatInstruction(address, b0, b1, b2, text);
    if (length)
        *length = n;
    return text;
}

// The NMOS part's addressing modes of all 256 opcodes, undocumented ones
// included: . implied (JAM too), # immediate, a absolute, j (absolute),
// z zero page, x zp,X, y zp,Y, X abs,X, Y abs,Y, v (zp),Y, w (zp,X), r branch.
constexpr const char* OpcodeModes[16] = {
    ".w.wzzzz.#.#aaaa", "rv.vxxxx.Y.YXXXX", "aw.wzzzz.#.#aaaa", "rv.vxxxx.Y.YXXXX",
    ".w.wzzzz.#.#aaaa", "rv.vxxxx.Y.YXXXX", ".w.wzzzz.#.#jaaa", "rv.vxxxx.Y.YXXXX",
    "#w#wzzzz.#.#aaaa", "rv.vxxyy.Y.YXXYY", "#w#wzzzz.#.#aaaa", "rv.vxxyy.Y.YXXYY",
    "#w#wzzzz.#.#aaaa", "rv.vxxxx.Y.YXXXX", "#w#wzzzz.#.#aaaa", "rv.vxxxx.Y.YXXXX",
};

TEST(ListingLine, EveryOpcodeShowsItsModeAndLength)
{
    struct Shape {
        char mode;
        int length;
        const char* operand;   // with operand bytes $34 $12, at $2000
    } shapes[] = {
        {'.', 1, ""},        {'#', 2, "#$34"},    {'a', 3, "$1234"},    {'j', 3, "($1234)"},
        {'z', 2, "$34"},     {'x', 2, "$34,X"},   {'y', 2, "$34,Y"},    {'X', 3, "$1234,X"},
        {'Y', 3, "$1234,Y"}, {'v', 2, "($34),Y"}, {'w', 2, "($34,X)"}, {'r', 2, "$2036"},
    };
    for (int op = 0; op < 256; op++) {
        const char mode = OpcodeModes[op >> 4][op & 15];
        const Shape* shape = std::find_if(std::begin(shapes), std::end(shapes),
                                          [mode](const Shape& s) { return s.mode == mode; });
        int length = 0;
        std::string text = Line(0x2000, static_cast<uint8_t>(op), 0x34, 0x12, &length);
        ASSERT_EQ(text.size(), 34u) << "opcode " << op << ": [" << text << "]";
        EXPECT_EQ(length, shape->length) << "opcode " << op;
        EXPECT_EQ(text[0], HexDigit(op >> 4));
        EXPECT_EQ(text[1], HexDigit(op));
        EXPECT_EQ(text.substr(13), std::string(shape->operand) + std::string(21 - std::strlen(shape->operand), ' '))
            << "opcode " << op << ": [" << text << "]";
        EXPECT_NE(text.substr(9, 3), "???") << "opcode " << op;
    }
}

TEST(ListingLine, EachModeHasItsOwnLayout)
{
    struct Case {
        uint16_t address;
        uint8_t b0, b1, b2;
        const char* text;
    } cases[] = {
        {0x2000, 0xEA, 0x11, 0x22, "EA       NOP                      "},
        {0x2000, 0xA9, 0x7F, 0x22, "A9 7F    LDA #$7F                 "},
        {0x2000, 0x8D, 0x34, 0x12, "8D 34 12 STA $1234                "},
        {0x2000, 0x6C, 0xFC, 0xFF, "6C FC FF JMP ($FFFC)              "},
        {0x2000, 0xA5, 0x10, 0x22, "A5 10    LDA $10                  "},
        {0x2000, 0xB5, 0x10, 0x22, "B5 10    LDA $10,X                "},
        {0x2000, 0xB6, 0x10, 0x22, "B6 10    LDX $10,Y                "},
        {0x2000, 0xBD, 0x00, 0xC0, "BD 00 C0 LDA $C000,X              "},
        {0x2000, 0xB9, 0x00, 0xC0, "B9 00 C0 LDA $C000,Y              "},
        {0x2000, 0xB1, 0x3B, 0x22, "B1 3B    LDA ($3B),Y              "},
        {0x2000, 0xA1, 0x3B, 0x22, "A1 3B    LDA ($3B,X)              "},
        {0x2000, 0xD0, 0x05, 0x22, "D0 05    BNE $2007                "},
        // Undocumented opcodes are listed by the table, not by how they run.
        {0x2000, 0xBB, 0x34, 0x12, "BB 34 12 TSA $1234,Y              "},
        {0x2000, 0x80, 0x44, 0x22, "80 44    NO2 #$44                 "},
        {0x2000, 0x02, 0x44, 0x22, "02       ABS                      "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Line(c.address, c.b0, c.b1, c.b2), c.text);
}

TEST(ListingLine, AbsoluteAddressesOfTedRegistersCarryTheirName)
{
    EXPECT_EQ(Line(0x1000, 0xAD, 0x0B, 0xFF), "AD 0B FF LDA $FF0B   ;RASTER      ");
    EXPECT_EQ(Line(0x1000, 0x8D, 0x20, 0xFF), "8D 20 FF STA $FF20                ");
    EXPECT_EQ(Line(0x1000, 0x8D, 0x3E, 0xFF), "8D 3E FF STA $FF3E   ;ENABLE ROM  ");
    // Only the absolute mode names the register.
    EXPECT_EQ(Line(0x1000, 0x9D, 0x0B, 0xFF), "9D 0B FF STA $FF0B,X              ");
}

TEST(TedRegisterName, CoversTheRegisterFileAndTheRomSwitches)
{
    EXPECT_STREQ(TedRegisterName(0xFF00), ";TIMER1 LO   ");
    EXPECT_STREQ(TedRegisterName(0xFF0B), ";RASTER      ");
    EXPECT_STREQ(TedRegisterName(0xFF1F), ";VER.RAS/FLSH");
    EXPECT_STREQ(TedRegisterName(0xFF3F), ";DISABLE ROM ");
    for (unsigned a : {0x0000u, 0xFEFFu, 0xFF20u, 0xFF3Du, 0xFF40u, 0xFFFFu})
        EXPECT_STREQ(TedRegisterName(static_cast<uint16_t>(a)), "             ") << std::hex << a;
    for (unsigned a = 0xFF00; a <= 0xFF1F; a++) {
        EXPECT_EQ(std::strlen(TedRegisterName(static_cast<uint16_t>(a))), 13u);
        EXPECT_EQ(TedRegisterName(static_cast<uint16_t>(a))[0], ';');
    }
}

TEST(ListingLine, BranchTargetsCountFromTheFollowingInstruction)
{
    struct Case {
        uint16_t address;
        uint8_t offset;
        uint16_t target;
    } cases[] = {
        {0x1000, 0xFE, 0x1000}, {0x1000, 0x00, 0x1002}, {0x1000, 0x7F, 0x1081},
        {0x1000, 0x80, 0x0F82}, {0xFFF0, 0x20, 0x0012}, {0x0002, 0x80, 0xFF84},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BranchTarget(c.address, c.offset), c.target) << std::hex << c.address << " " << +c.offset;
    EXPECT_EQ(Line(0x1000, 0xF0, 0xFE), "F0 FE    BEQ $1000                ");
}

TEST(DumpCharacter, ByteToScreenCodeRules)
{
    struct Case {
        uint8_t byte, code;
    } cases[] = {
        {0x41, 0x01}, {0xC1, 0x01}, {0x0D, 0x2E}, {0x31, 0x31}, {0x00, 0x2E}, {0x80, 0x2E},
        {0x1F, 0x2E}, {0x20, 0x20}, {0x3F, 0x3F}, {0x40, 0x00}, {0x7F, 0x3F}, {0xFF, 0x3F},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DumpCharacterCode(c.byte), c.code) << std::hex << +c.byte;
}

class CpuTextTest : public ::testing::Test {
protected:
    void SetUp() override { ResetMachineToPowerOn(); }
    void TearDown() override { ResetMachineToPowerOn(); }
};

TEST_F(CpuTextTest, StatusLineShowsTheFixedBitWithAllFlagsClear)
{
    Cpu = {};
    Cpu.PC = 0xE000;
    Cpu.AC = 0x12;
    Cpu.XR = 0x34;
    Cpu.YR = 0x56;
    Cpu.SP = 0xF8;
    char text[41];
    FormatStatusLine(text);
    EXPECT_STREQ(text, "PC:E000 ACC:12 X:34 Y:56 SP:F8  00100000");
    // Flags count as set when non-zero, whatever the value.
    Cpu.FlagN = 0x80;
    Cpu.FlagC = 1;
    Cpu.FlagZ = 2;
    FormatStatusLine(text);
    EXPECT_STREQ(text, "PC:E000 ACC:12 X:34 Y:56 SP:F8  10100011");
    FormatRegisterLine(text);
    EXPECT_STREQ(text, "E000 12 34 56 F8 10100011");
    EXPECT_STREQ(RegisterHeading, " PC  AC XR YR SP NV-BDIZC");
}

TEST_F(CpuTextTest, EditPositionsPointAtTheDigitsTheyEdit)
{
    // Every position's column shows the digit the editor reads there, for
    // registers with every nibble different.
    Cpu = {};
    Cpu.PC = 0x1234;
    Cpu.AC = 0x56;
    Cpu.XR = 0x78;
    Cpu.YR = 0x9A;
    Cpu.SP = 0xBC;
    Cpu.FlagN = 1;
    Cpu.FlagB = 1;
    Cpu.FlagI = 1;
    Cpu.FlagC = 1;
    char line[26];
    FormatRegisterLine(line);
    for (int p = 0; p < EditPositionCount; p++)
        EXPECT_EQ(line[EditPositionTable[p].column], HexDigit(EditDigit(p))) << "position " << p;
    // Each edit reaches exactly its digit.
    for (int p = 0; p < EditPositionCount; p++) {
        CpuRegisters before = Cpu;
        uint8_t old = EditDigit(p);
        uint8_t typed = p < 12 ? static_cast<uint8_t>(0xF - old) : static_cast<uint8_t>(1 - old);
        TypeEditDigit(p, typed);
        EXPECT_EQ(EditDigit(p), typed) << "position " << p;
        FormatRegisterLine(line);
        EXPECT_EQ(line[EditPositionTable[p].column], HexDigit(typed));
        TypeEditDigit(p, old);
        EXPECT_EQ(std::memcmp(&before, &Cpu, sizeof Cpu), 0) << "position " << p;
    }
}

TEST_F(CpuTextTest, TypingDigitsEditsRegistersAndFlags)
{
    Cpu = {};
    for (int p = 0; p < 4; p++)
        TypeEditDigit(p, static_cast<uint8_t>(p + 1));
    EXPECT_EQ(Cpu.PC, 0x1234);
    TypeEditDigit(10, 0xA);
    TypeEditDigit(11, 0x5);
    EXPECT_EQ(Cpu.SP, 0xA5);

    constexpr int FlagZPosition = 17;
    TypeEditDigit(FlagZPosition, 1);
    EXPECT_EQ(Cpu.FlagZ, 1);
    TypeEditDigit(FlagZPosition, 5);   // neither 0 nor 1: unchanged
    EXPECT_EQ(Cpu.FlagZ, 1);
    TypeEditDigit(FlagZPosition, 0);
    EXPECT_EQ(Cpu.FlagZ, 0);
    TypeEditDigit(FlagZPosition, 0xF);
    EXPECT_EQ(Cpu.FlagZ, 0);
}

class MachineTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    ScratchDirectory scratch;
};

TEST_F(MachineTextTest, DisassemblyReadsThroughTheMemoryMap)
{
    Ram64[0x1000] = 0xAD;
    Ram64[0x1001] = 0x0B;
    Ram64[0x1002] = 0xFF;
    char text[InstructionTextLength + 1];
    EXPECT_EQ(DisassembleAt(0x1000, text), 3);
    EXPECT_STREQ(text, "AD 0B FF LDA $FF0B   ;RASTER      ");
    // The tiny KERNAL's JMP at 0xF000, seen through the ROM window.
    EXPECT_EQ(DisassembleAt(0xF000, text), 3);
    EXPECT_STREQ(text, "4C 00 F0 JMP $F000                ");
}

std::string Row(const TedDumpLine (&lines)[TedDumpLineCount], int row)
{
    for (const TedDumpLine& l : lines)
        if (l.row == row)
            return l.text;
    return "(missing)";
}

TEST_F(MachineTextTest, TedDumpRowsDecodeTheRegisters)
{
    Ted.Timer1Latch = 0x1234;
    Ted.Timer1Counter = 0x0FFF;
    Ted.Timer1Running = 0;
    Ted.Timer2Latch = 0xFFFF;
    Ted.Timer2Counter = 0xABCD;
    Ted.Timer2Running = 1;
    WriteByte(0xFF0C, 0x03);
    WriteByte(0xFF0D, 0xE8);
    WriteByte(0xFF15, 0x71);
    WriteByte(0xFF19, 0x2E);
    WriteByte(0xFF06, 0x1B);
    WriteByte(0xFF07, 0x08);
    Ram64[0xFF11] = 0x58;
    TedDumpLine lines[TedDumpLineCount];
    BuildTedDumpLines(lines);
    for (int i = 0; i < TedDumpLineCount; i++) {
        EXPECT_EQ(lines[i].row, 2 + i);
        EXPECT_LE(std::strlen(lines[i].text), 40u);
    }
    EXPECT_EQ(Row(lines, 2), "TIMER1:                1234/0FFF OFF");
    EXPECT_EQ(Row(lines, 3), "TIMER2:                FFFF/ABCD ON ");
    EXPECT_EQ(lines[0].ink, 0x68);
    EXPECT_EQ(Row(lines, 5), "CURSOR POSITION:             3E8 OFF");
    EXPECT_EQ(Row(lines, 10), "HORIZONTAL SHIFT:           40/0");
    EXPECT_EQ(Row(lines, 11), "VERTICAL SHIFT:             25/3");
    EXPECT_EQ(Row(lines, 14), "COLOR #0 #1 #2 #3    71 00 00 00");
    EXPECT_EQ(Row(lines, 15), "BORDER COLOR #4               2E");
    EXPECT_EQ(Row(lines, 18), "HIRES MODE:                  OFF");
    EXPECT_EQ(Row(lines, 20), "VOLUME:                        8");
    EXPECT_EQ(Row(lines, 21).substr(32), " ON ");
    EXPECT_EQ(Row(lines, 22).substr(32), " NOISE");
    EXPECT_EQ(lines[20].ink, 0x63);

    WriteByte(0xFF0D, 0xE7);
    WriteByte(0xFF06, 0x20);
    BuildTedDumpLines(lines);
    EXPECT_EQ(Row(lines, 5), "CURSOR POSITION:             3E7 ON ");
    EXPECT_EQ(Row(lines, 18), "HIRES MODE:                   ON");
}

}  // namespace
