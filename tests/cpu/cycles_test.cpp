// Every opcode's cycle count: the older model's against its published
// table, the NMOS chip's (Accuracy=1) against the chip's table as timer 2
// counts it in the machine.  Both tables are typed in again here on purpose.
#include <sstream>
#include <string>

#include "flat_machine.h"
#include "machine_fixture.h"

namespace {

// 0 = a dash (LastCycle unchanged), 9 = a branch (tested separately).
constexpr uint8_t ExpectedCycles[256] = {
    // x0 x1 x2 x3 x4 x5 x6 x7 x8 x9 xA xB xC xD xE xF
    7, 6, 2, 8, 3, 3, 5, 5, 3, 2, 2, 2, 4, 4, 6, 6,  // 0_
    9, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 4, 4, 7, 7,  // 1_
    6, 6, 2, 7, 3, 3, 5, 5, 4, 2, 2, 2, 4, 4, 6, 6,  // 2_
    9, 5, 2, 7, 4, 4, 6, 6, 2, 4, 2, 7, 4, 4, 7, 7,  // 3_
    6, 6, 2, 7, 3, 3, 5, 5, 3, 2, 2, 2, 3, 4, 6, 6,  // 4_
    9, 5, 2, 7, 4, 4, 6, 6, 2, 4, 2, 7, 4, 4, 7, 7,  // 5_
    6, 6, 2, 8, 3, 3, 5, 5, 4, 2, 2, 0, 5, 4, 6, 6,  // 6_
    9, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 4, 4, 7, 7,  // 7_
    2, 6, 2, 6, 3, 3, 3, 3, 2, 2, 2, 2, 4, 4, 4, 4,  // 8_
    9, 6, 2, 6, 4, 4, 4, 4, 2, 5, 2, 5, 0, 5, 0, 0,  // 9_
    2, 6, 2, 6, 3, 3, 3, 3, 2, 2, 2, 2, 4, 4, 4, 4,  // A_
    9, 5, 2, 5, 4, 4, 4, 4, 2, 4, 2, 4, 4, 4, 4, 4,  // B_
    2, 6, 2, 8, 3, 3, 5, 5, 2, 2, 2, 2, 4, 4, 6, 6,  // C_
    9, 5, 2, 8, 4, 4, 6, 6, 2, 4, 2, 7, 4, 4, 7, 7,  // D_
    2, 6, 2, 6, 3, 3, 5, 5, 2, 2, 2, 2, 4, 4, 6, 6,  // E_
    9, 5, 2, 5, 4, 4, 6, 6, 2, 4, 2, 7, 4, 4, 7, 7,  // F_
};

// The reads marked +p.
bool TakesPagePenalty(uint8_t opcode)
{
    switch (opcode) {
    case 0x11: case 0x19: case 0x1C: case 0x1D:
    case 0x31: case 0x39: case 0x3C: case 0x3D:
    case 0x51: case 0x59: case 0x5C: case 0x5D:
    case 0x71: case 0x79: case 0x7C: case 0x7D:
    case 0xB1: case 0xB3: case 0xB9: case 0xBC: case 0xBD: case 0xBE:
    case 0xD1: case 0xD9: case 0xDC: case 0xDD:
    case 0xF1: case 0xF9: case 0xFC: case 0xFD:
        return true;
    default:
        return false;
    }
}

struct CycleTest : FlatMachine {
    // Runs opcode at 0x1000 with operand bytes F8 20: zero page 0xF8,
    // absolute 0x20F8, and both zero-page pointers that (zp,X) and (zp),Y
    // can use (0xF8 and 0x08) pointing at 0x20F8.  index goes into XR and YR.
    uint16_t CyclesOf(uint8_t opcode, uint8_t index)
    {
        std::fill(memory.begin(), memory.end(), 0);
        Poke(0x00F8, {0xF8, 0x20});
        Poke(0x0008, {0xF8, 0x20});
        Cpu = CpuRegisters{};
        Cpu.SP = 0xFF;
        Cpu.XR = Cpu.YR = index;
        LastCycle = 0x55;
        Run(0x1000, {opcode, 0xF8, 0x20});
        return LastCycle;
    }
};

TEST_F(CycleTest, OlderModelEveryOpcodeWithAndWithoutPageCrossing)
{
    UseOlderModel();
    for (int op = 0; op < 256; op++) {
        uint8_t opcode = static_cast<uint8_t>(op);
        uint8_t expected = ExpectedCycles[opcode];
        if (expected == 9)
            continue;
        if (expected == 0) {
            EXPECT_EQ(CyclesOf(opcode, 0x00), 0x55) << "opcode " << std::hex << op;
            continue;
        }
        EXPECT_EQ(CyclesOf(opcode, 0x00), expected) << "opcode " << std::hex << op << " in page";
        // Index 0x10 moves 0x20F8 into page 0x21.
        uint8_t crossing = static_cast<uint8_t>(expected + (TakesPagePenalty(opcode) ? 1 : 0));
        EXPECT_EQ(CyclesOf(opcode, 0x10), crossing) << "opcode " << std::hex << op << " crossing";
    }
}

TEST_F(CycleTest, BranchesTakenNotTakenAndIntoAnotherPage)
{
    struct Branch {
        uint8_t opcode;
        uint8_t* flag;
        bool takenWhenSet;
    };
    const Branch branches[] = {
        {0x10, &Cpu.FlagN, false}, {0x30, &Cpu.FlagN, true}, {0x50, &Cpu.FlagV, false},
        {0x70, &Cpu.FlagV, true},  {0x90, &Cpu.FlagC, false}, {0xB0, &Cpu.FlagC, true},
        {0xD0, &Cpu.FlagZ, false}, {0xF0, &Cpu.FlagZ, true},
    };
    for (const Branch& b : branches) {
        SCOPED_TRACE(b.opcode);
        // Flags hold tested bits as well as 1: 0x80 counts as set.
        uint8_t taken = b.takenWhenSet ? 0x80 : 0;
        uint8_t notTaken = b.takenWhenSet ? 0 : 0x40;

        *b.flag = notTaken;
        Run(0x2040, {b.opcode, 0x10});
        EXPECT_EQ(Cpu.PC, 0x2042);
        EXPECT_EQ(LastCycle, 2);

        *b.flag = taken;
        Run(0x2040, {b.opcode, 0x10});
        EXPECT_EQ(Cpu.PC, 0x2052);
        EXPECT_EQ(LastCycle, 3);
        EXPECT_EQ(OperandLatch, 0x10);

        Run(0x2040, {b.opcode, 0xB0});  // backwards into page 0x1F
        EXPECT_EQ(Cpu.PC, 0x1FF2);
        EXPECT_EQ(LastCycle, 4);

        // The page is compared with the branch's own address.
        Run(0x10FE, {b.opcode, 0x00});
        EXPECT_EQ(Cpu.PC, 0x1100);
        EXPECT_EQ(LastCycle, 4);
        Run(0x10FF, {b.opcode, 0xFE});
        EXPECT_EQ(Cpu.PC, 0x10FF);
        EXPECT_EQ(LastCycle, 3);
        Run(0x2050, {b.opcode, 0xFE});
        EXPECT_EQ(Cpu.PC, 0x2050);
        EXPECT_EQ(LastCycle, 3);
    }
}

TEST_F(CycleTest, OlderModelIndexedReadsCountTheCrossingOfTheUnwrappedSum)
{
    UseOlderModel();
    Cpu.XR = 0x10;
    Run(0x1000, {0xBD, 0xF0, 0x12});  // LDA 0x12F0,X
    EXPECT_EQ(LastCycle, 5);
    Cpu.XR = 0x0F;
    Run(0x1000, {0xBD, 0xF0, 0x12});
    EXPECT_EQ(LastCycle, 4);
    Cpu.XR = 0x10;
    Run(0x1000, {0x9D, 0xF0, 0x12});  // STA 0x12F0,X
    EXPECT_EQ(LastCycle, 5);
    Cpu.XR = 0x0F;
    Run(0x1000, {0x9D, 0xF0, 0x12});
    EXPECT_EQ(LastCycle, 5);

    // 0xFFFF + 1 wraps to 0x0000 but still crosses.
    memory[0x0000] = 0x77;
    Cpu.YR = 0x01;
    Run(0x1000, {0xB9, 0xFF, 0xFF});  // LDA 0xFFFF,Y
    EXPECT_EQ(Cpu.AC, 0x77);
    EXPECT_EQ(LastCycle, 5);

    // (zp),Y: the base is the pointer's word.
    Poke(0x0030, {0xFF, 0x40});
    memory[0x4100] = 0x99;
    Cpu.YR = 0x01;
    Run(0x1000, {0xB1, 0x30});
    EXPECT_EQ(Cpu.AC, 0x99);
    EXPECT_EQ(LastCycle, 6);

    // No penalty on 0xBF and 0xBB, whatever the crossing.
    Cpu.YR = 0x20;
    Run(0x1000, {0xBF, 0xF0, 0x12});
    EXPECT_EQ(LastCycle, 4);
    Run(0x1000, {0xBB, 0xF0, 0x12});
    EXPECT_EQ(LastCycle, 4);
}

}  // namespace

namespace {

// The chip's table: p adds a cycle when indexing carries into another page,
// b is a branch (2, 3 taken), - a jam.
const char* const ChipCycleRows[16] = {
    " 7  6  -  8  3  3  5  5  3  2  2  2  4  4  6  6", " b 5p  -  8  4  4  6  6  2 4p  2  7 4p 4p  7  7",
    " 6  6  -  8  3  3  5  5  4  2  2  2  4  4  6  6", " b 5p  -  8  4  4  6  6  2 4p  2  7 4p 4p  7  7",
    " 6  6  -  8  3  3  5  5  3  2  2  2  3  4  6  6", " b 5p  -  8  4  4  6  6  2 4p  2  7 4p 4p  7  7",
    " 6  6  -  8  3  3  5  5  4  2  2  2  5  4  6  6", " b 5p  -  8  4  4  6  6  2 4p  2  7 4p 4p  7  7",
    " 2  6  2  6  3  3  3  3  2  2  2  2  4  4  4  4", " b  6  -  6  4  4  4  4  2  5  2  5  5  5  5  5",
    " 2  6  2  6  3  3  3  3  2  2  2  2  4  4  4  4", " b 5p  - 5p  4  4  4  4  2 4p  2 4p 4p 4p 4p 4p",
    " 2  6  2  8  3  3  5  5  2  2  2  2  4  4  6  6", " b 5p  -  8  4  4  6  6  2 4p  2  7 4p 4p  7  7",
    " 2  6  2  8  3  3  5  5  2  2  2  2  4  4  6  6", " b 5p  -  8  4  4  6  6  2 4p  2  7 4p 4p  7  7",
};

// Instruction lengths from the matrix's layout.
int LengthOf(uint8_t opcode)
{
    const int column = opcode & 15;
    if (column == 0)
        return opcode == 0x20 ? 3 : (opcode == 0x00 || opcode == 0x40 || opcode == 0x60) ? 1 : 2;
    if (column == 0x9 || column == 0xB)
        return opcode & 0x10 ? 3 : 2;
    return column >= 0xC ? 3 : column == 0x8 || column == 0xA ? 1 : 2;
}

using ChipCycles = CpuInMachine;

// LDY $FF02 / STY $F0 / LDY #index / the opcode / LDY $FF02 / STY $F1: the
// two reads of timer 2 lie 9 cycles plus the opcode's apart.  Operand bytes
// F8 20: zero page 0xF8 (0x08 indexed), absolute 0x20F8 (0x2108 indexed, in
// the next page), pointers at 0xF8 and 0x08 to 0x20F8; branches to the next
// instruction, jumps, calls, returns and BRK to the second read.
TEST_F(ChipCycles, EveryOpcodeAsTimer2CountsIt)
{
    for (int op = 0; op < 256; op++) {
        const uint8_t opcode = static_cast<uint8_t>(op);
        std::istringstream row(ChipCycleRows[op >> 4]);
        std::string cell;
        for (int column = 0; column <= (op & 15); column++)
            row >> cell;
        for (uint8_t index : {uint8_t{0x00}, uint8_t{0x10}}) {
            if (cell == "-")
                break;
            SCOPED_TRACE(testing::Message() << "opcode " << std::hex << op << " index " << int(index));
            const uint16_t after = static_cast<uint16_t>(0x1007 + LengthOf(opcode));
            const uint8_t low = static_cast<uint8_t>(after), high = static_cast<uint8_t>(after >> 8);
            const bool branch = cell == "b", jump = opcode == 0x4C || opcode == 0x20;
            Poke(0x1000, {0xAC, 0x02, 0xFF, 0x84, 0xF0, 0xA0, index, opcode, uint8_t(branch ? 0 : jump ? low : 0xF8),
                          uint8_t(jump ? high : 0x20)});
            Poke(after, {0xAC, 0x02, 0xFF, 0x84, 0xF1, 0x4C, static_cast<uint8_t>(after + 5), high});
            Poke(0x00F8, {0xF8, 0x20});
            Poke(0x0008, {0xF8, 0x20});
            Poke(0x20F8, {low, high});   // JMP (0x20F8)
            Poke(0xFFFE, {low, high});   // BRK
            const uint16_t back = opcode == 0x40 ? after : static_cast<uint16_t>(after - 1);   // RTI, RTS
            Poke(0x01FD, {0x20, static_cast<uint8_t>(back), static_cast<uint8_t>(back >> 8)});
            Cpu.SP = opcode == 0x60 ? 0xFD : opcode == 0x40 ? 0xFC : 0xFF;
            Cpu.AC = Cpu.FlagC = Cpu.FlagV = Cpu.FlagD = 0;
            Cpu.XR = index;
            Cpu.PC = 0x1000;
            ASSERT_TRUE(RunTo(static_cast<uint16_t>(after + 5), 100));
            // Taken after LDY #index: BPL, BVC, BCC always, BNE and BEQ by the index.
            const bool taken = op == 0x10 || op == 0x50 || op == 0x90 || (op >= 0xD0 && (op == 0xD0) == (index != 0));
            const int expected = branch ? 2 + taken : std::stoi(cell) + (cell.back() == 'p' && index != 0);
            EXPECT_EQ(static_cast<uint8_t>(Ram64[0xF0] - Ram64[0xF1]) - 9, expected);
        }
    }
}

}  // namespace
