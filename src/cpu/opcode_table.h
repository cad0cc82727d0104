// The 256 opcodes as data: addressing mode, operation and cycle count of
// each, laid out like the opcode matrix (row = high nibble, column = low
// nibble).  The interpreter combines the three at compile time; the
// disassembler can read the same tables.
#pragma once
#include <cstdint>

// Addressing modes, numbered as the disassembler numbers them.
enum class Mode : uint8_t {
    Implied = 1,     // also the accumulator forms of the shifts
    Immediate = 2,
    Absolute = 3,
    Indirect = 4,    // JMP (w) only
    ZeroPage = 5,
    ZeroPageX = 6,
    ZeroPageY = 7,
    AbsoluteX = 8,
    AbsoluteY = 9,
    IndirectY = 10,  // (zero page),Y
    IndirectX = 11,  // (zero page,X)
    Relative = 12,   // branches
};

// Operations by mnemonic.  The undocumented ones carry the disassembler's
// names; AAX stands for all four plain stores of AC AND XR (AXR, AXY, AXX,
// AAX), NOP for NO1, NO2 and NO3, JAM for the twelve jam opcodes (shown as
// ABS) and UNI for the four that do nothing at all (shown as ???).  ARR,
// SHA, SHX, SHY and TAS are the NMOS processor's (Accuracy=1) where the
// older model has UNI, AXI and AXS.
enum class Operation : uint8_t {
    // reads
    LDA, LDX, LDY, ORA, AND, EOR, ADC, SBC, CMP, CPX, CPY, BIT,
    LDT, TSA, ANN, ANL, TAN, ANX, XAS, ARR,
    // stores
    STA, STX, STY, AAX, AXI, AXS, SHA, SHX, SHY, TAS,
    // read-modify-write (ASL, LSR, ROL, ROR also on AC)
    ASL, LSR, ROL, ROR, INC, DEC, ASO, RAN, LSE, RAD, DEM, INB,
    // no memory operand
    TAX, TAY, TXA, TYA, TSX, TXS, INX, INY, DEX, DEY,
    CLC, SEC, CLI, SEI, CLD, SED, CLV, PHA, PLA, PHP, PLP,
    JMP, JSR, RTS, RTI, BRK, BPL, BMI, BVC, BVS, BCC, BCS, BNE, BEQ,
    NOP, JAM, UNI,
};

enum class Access : uint8_t { Read, Write, Modify, Other };

constexpr Access AccessOf(Operation op)
{
    if (op <= Operation::ARR)
        return Access::Read;
    if (op <= Operation::TAS)
        return Access::Write;
    if (op <= Operation::INB)
        return Access::Modify;
    return Access::Other;
}

// The tables below, written with short names inside their own namespace.
namespace opcode_matrix {
using enum Operation;
constexpr Mode imp = Mode::Implied, imm = Mode::Immediate, abs = Mode::Absolute, ind = Mode::Indirect,
               zpg = Mode::ZeroPage, zpx = Mode::ZeroPageX, zpy = Mode::ZeroPageY, abx = Mode::AbsoluteX,
               aby = Mode::AbsoluteY, izy = Mode::IndirectY, izx = Mode::IndirectX, rel = Mode::Relative;

inline constexpr Mode ModeTable[256] = {
    // clang-format off
//  x0   x1   x2   x3   x4   x5   x6   x7   x8   x9   xA   xB   xC   xD   xE   xF
    imp, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 0_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 1_
    abs, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 2_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 3_
    imp, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 4_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 5_
    imp, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imp, ind, abs, abs, abs,  // 6_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 7_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 8_
    rel, izy, imp, izy, zpx, zpx, zpy, zpy, imp, aby, imp, aby, imp, abx, imp, imp,  // 9_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // A_
    rel, izy, imp, izy, zpx, zpx, zpy, zpy, imp, aby, imp, aby, abx, abx, aby, aby,  // B_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // C_
    rel, izy, imp, izy, zpx, zpx, zpx, zpy, imp, aby, imp, aby, abx, abx, abx, abx,  // D_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // E_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // F_
    // clang-format on
};

inline constexpr Operation OperationTable[256] = {
    // clang-format off
//  x0   x1   x2   x3   x4   x5   x6   x7   x8   x9   xA   xB   xC   xD   xE   xF
    BRK, ORA, JAM, ASO, NOP, ORA, ASL, ASO, PHP, ORA, ASL, ANN, NOP, ORA, ASL, ASO,  // 0_
    BPL, ORA, JAM, ASO, NOP, ORA, ASL, ASO, CLC, ORA, NOP, ASO, NOP, ORA, ASL, ASO,  // 1_
    JSR, AND, JAM, RAN, BIT, AND, ROL, RAN, PLP, AND, ROL, ANN, BIT, AND, ROL, RAN,  // 2_
    BMI, AND, JAM, RAN, NOP, AND, ROL, RAN, SEC, AND, NOP, RAN, NOP, AND, ROL, RAN,  // 3_
    RTI, EOR, JAM, LSE, NOP, EOR, LSR, LSE, PHA, EOR, LSR, ANL, JMP, EOR, LSR, LSE,  // 4_
    BVC, EOR, JAM, LSE, NOP, EOR, LSR, LSE, CLI, EOR, NOP, LSE, NOP, EOR, LSR, LSE,  // 5_
    RTS, ADC, JAM, RAD, NOP, ADC, ROR, RAD, PLA, ADC, ROR, UNI, JMP, ADC, ROR, RAD,  // 6_
    BVS, ADC, JAM, RAD, NOP, ADC, ROR, RAD, SEI, ADC, NOP, RAD, NOP, ADC, ROR, RAD,  // 7_
    NOP, STA, NOP, AAX, STY, STA, STX, AAX, DEY, NOP, TXA, TAN, STY, STA, STX, AAX,  // 8_
    BCC, STA, JAM, AXI, STY, STA, STX, AAX, TYA, STA, TXS, AXS, UNI, STA, UNI, UNI,  // 9_
    LDY, LDA, LDX, LDT, LDY, LDA, LDX, LDT, TAY, LDA, TAX, ANX, LDY, LDA, LDX, LDT,  // A_
    BCS, LDA, JAM, LDT, LDY, LDA, LDX, LDT, CLV, LDA, TSX, TSA, LDY, LDA, LDX, LDT,  // B_
    CPY, CMP, NOP, DEM, CPY, CMP, DEC, DEM, INY, CMP, DEX, XAS, CPY, CMP, DEC, DEM,  // C_
    BNE, CMP, JAM, DEM, NOP, CMP, DEC, DEM, CLD, CMP, NOP, DEM, NOP, CMP, DEC, DEM,  // D_
    CPX, SBC, NOP, INB, CPX, SBC, INC, INB, INX, SBC, NOP, SBC, CPX, SBC, INC, INB,  // E_
    BEQ, SBC, JAM, INB, NOP, SBC, INC, INB, SED, SBC, NOP, INB, NOP, SBC, INC, INB,  // F_
    // clang-format on
};

// Cycle counts.  P marks the reads that take one more cycle when indexing
// crosses a page; BR is a branch (2 not taken, 3 taken, 4 taken into another
// page than the branch's own); NONE leaves LastCycle as it was.
constexpr uint8_t P = 0x10;
constexpr uint8_t BR = 0x20 | 2;
constexpr uint8_t NONE = 0x00;

inline constexpr uint8_t CycleTable[256] = {
    // clang-format off
//  x0  x1   x2  x3   x4  x5  x6  x7  x8  x9   xA  xB    xC   xD   xE   xF
     7, 6,   2,  8,   3,  3,  5,  5,  3,  2,   2,  2,    4,   4,   6,   6,    // 0_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,    4+P, 4+P, 7,   7,    // 1_
     6, 6,   2,  7,   3,  3,  5,  5,  4,  2,   2,  2,    4,   4,   6,   6,    // 2_
    BR, 5+P, 2,  7,   4,  4,  6,  6,  2,  4+P, 2,  7,    4+P, 4+P, 7,   7,    // 3_
     6, 6,   2,  7,   3,  3,  5,  5,  3,  2,   2,  2,    3,   4,   6,   6,    // 4_
    BR, 5+P, 2,  7,   4,  4,  6,  6,  2,  4+P, 2,  7,    4+P, 4+P, 7,   7,    // 5_
     6, 6,   2,  8,   3,  3,  5,  5,  4,  2,   2,  NONE, 5,   4,   6,   6,    // 6_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,    4+P, 4+P, 7,   7,    // 7_
     2, 6,   2,  6,   3,  3,  3,  3,  2,  2,   2,  2,    4,   4,   4,   4,    // 8_
    BR, 6,   2,  6,   4,  4,  4,  4,  2,  5,   2,  5,    NONE,5,   NONE,NONE, // 9_
     2, 6,   2,  6,   3,  3,  3,  3,  2,  2,   2,  2,    4,   4,   4,   4,    // A_
    BR, 5+P, 2,  5+P, 4,  4,  4,  4,  2,  4+P, 2,  4,    4+P, 4+P, 4+P, 4,    // B_
     2, 6,   2,  8,   3,  3,  5,  5,  2,  2,   2,  2,    4,   4,   6,   6,    // C_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,    4+P, 4+P, 7,   7,    // D_
     2, 6,   2,  6,   3,  3,  5,  5,  2,  2,   2,  2,    4,   4,   6,   6,    // E_
    BR, 5+P, 2,  5,   4,  4,  6,  6,  2,  4+P, 2,  7,    4+P, 4+P, 7,   7,    // F_
    // clang-format on
};


// The NMOS processor (Accuracy=1): the same matrix where the two agree.  It
// differs in 0x6B (ARR), 0x93 and 0x9F (SHA), 0x9B (TAS), 0x9C (SHY), 0x9E
// (SHX) and 0xD7 (DEM indexed by XR), and in the cycles of 0x23, 0x33, 0x43,
// 0x53, 0xE3, 0xF3 (8), 0xB3, 0xBB and 0xBF (+p).  The jam opcodes' 2 is the
// time a stopped processor lets pass per step.
inline constexpr Mode NmosModeTable[256] = {
    // clang-format off
//  x0   x1   x2   x3   x4   x5   x6   x7   x8   x9   xA   xB   xC   xD   xE   xF
    imp, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 0_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 1_
    abs, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 2_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 3_
    imp, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 4_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 5_
    imp, izx, imp, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, ind, abs, abs, abs,  // 6_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // 7_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // 8_
    rel, izy, imp, izy, zpx, zpx, zpy, zpy, imp, aby, imp, aby, abx, abx, aby, aby,  // 9_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // A_
    rel, izy, imp, izy, zpx, zpx, zpy, zpy, imp, aby, imp, aby, abx, abx, aby, aby,  // B_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // C_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // D_
    imm, izx, imm, izx, zpg, zpg, zpg, zpg, imp, imm, imp, imm, abs, abs, abs, abs,  // E_
    rel, izy, imp, izy, zpx, zpx, zpx, zpx, imp, aby, imp, aby, abx, abx, abx, abx,  // F_
    // clang-format on
};

inline constexpr Operation NmosOperationTable[256] = {
    // clang-format off
//  x0   x1   x2   x3   x4   x5   x6   x7   x8   x9   xA   xB   xC   xD   xE   xF
    BRK, ORA, JAM, ASO, NOP, ORA, ASL, ASO, PHP, ORA, ASL, ANN, NOP, ORA, ASL, ASO,  // 0_
    BPL, ORA, JAM, ASO, NOP, ORA, ASL, ASO, CLC, ORA, NOP, ASO, NOP, ORA, ASL, ASO,  // 1_
    JSR, AND, JAM, RAN, BIT, AND, ROL, RAN, PLP, AND, ROL, ANN, BIT, AND, ROL, RAN,  // 2_
    BMI, AND, JAM, RAN, NOP, AND, ROL, RAN, SEC, AND, NOP, RAN, NOP, AND, ROL, RAN,  // 3_
    RTI, EOR, JAM, LSE, NOP, EOR, LSR, LSE, PHA, EOR, LSR, ANL, JMP, EOR, LSR, LSE,  // 4_
    BVC, EOR, JAM, LSE, NOP, EOR, LSR, LSE, CLI, EOR, NOP, LSE, NOP, EOR, LSR, LSE,  // 5_
    RTS, ADC, JAM, RAD, NOP, ADC, ROR, RAD, PLA, ADC, ROR, ARR, JMP, ADC, ROR, RAD,  // 6_
    BVS, ADC, JAM, RAD, NOP, ADC, ROR, RAD, SEI, ADC, NOP, RAD, NOP, ADC, ROR, RAD,  // 7_
    NOP, STA, NOP, AAX, STY, STA, STX, AAX, DEY, NOP, TXA, TAN, STY, STA, STX, AAX,  // 8_
    BCC, STA, JAM, SHA, STY, STA, STX, AAX, TYA, STA, TXS, TAS, SHY, STA, SHX, SHA,  // 9_
    LDY, LDA, LDX, LDT, LDY, LDA, LDX, LDT, TAY, LDA, TAX, ANX, LDY, LDA, LDX, LDT,  // A_
    BCS, LDA, JAM, LDT, LDY, LDA, LDX, LDT, CLV, LDA, TSX, TSA, LDY, LDA, LDX, LDT,  // B_
    CPY, CMP, NOP, DEM, CPY, CMP, DEC, DEM, INY, CMP, DEX, XAS, CPY, CMP, DEC, DEM,  // C_
    BNE, CMP, JAM, DEM, NOP, CMP, DEC, DEM, CLD, CMP, NOP, DEM, NOP, CMP, DEC, DEM,  // D_
    CPX, SBC, NOP, INB, CPX, SBC, INC, INB, INX, SBC, NOP, SBC, CPX, SBC, INC, INB,  // E_
    BEQ, SBC, JAM, INB, NOP, SBC, INC, INB, SED, SBC, NOP, INB, NOP, SBC, INC, INB,  // F_
    // clang-format on
};

inline constexpr uint8_t NmosCycleTable[256] = {
    // clang-format off
//  x0  x1   x2  x3   x4  x5  x6  x7  x8  x9   xA  xB   xC   xD   xE   xF
     7, 6,   2,  8,   3,  3,  5,  5,  3,  2,   2,  2,   4,   4,   6,   6,    // 0_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,   4+P, 4+P, 7,   7,    // 1_
     6, 6,   2,  8,   3,  3,  5,  5,  4,  2,   2,  2,   4,   4,   6,   6,    // 2_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,   4+P, 4+P, 7,   7,    // 3_
     6, 6,   2,  8,   3,  3,  5,  5,  3,  2,   2,  2,   3,   4,   6,   6,    // 4_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,   4+P, 4+P, 7,   7,    // 5_
     6, 6,   2,  8,   3,  3,  5,  5,  4,  2,   2,  2,   5,   4,   6,   6,    // 6_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,   4+P, 4+P, 7,   7,    // 7_
     2, 6,   2,  6,   3,  3,  3,  3,  2,  2,   2,  2,   4,   4,   4,   4,    // 8_
    BR, 6,   2,  6,   4,  4,  4,  4,  2,  5,   2,  5,   5,   5,   5,   5,    // 9_
     2, 6,   2,  6,   3,  3,  3,  3,  2,  2,   2,  2,   4,   4,   4,   4,    // A_
    BR, 5+P, 2,  5+P, 4,  4,  4,  4,  2,  4+P, 2,  4+P, 4+P, 4+P, 4+P, 4+P,  // B_
     2, 6,   2,  8,   3,  3,  5,  5,  2,  2,   2,  2,   4,   4,   6,   6,    // C_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,   4+P, 4+P, 7,   7,    // D_
     2, 6,   2,  8,   3,  3,  5,  5,  2,  2,   2,  2,   4,   4,   6,   6,    // E_
    BR, 5+P, 2,  8,   4,  4,  6,  6,  2,  4+P, 2,  7,   4+P, 4+P, 7,   7,    // F_
    // clang-format on
};

}  // namespace opcode_matrix

using opcode_matrix::CycleTable;
using opcode_matrix::NmosCycleTable;
using opcode_matrix::NmosModeTable;
using opcode_matrix::NmosOperationTable;
using opcode_matrix::ModeTable;
using opcode_matrix::OperationTable;

// Reading a CycleTable entry.
constexpr uint8_t BaseCycles(uint8_t entry) { return entry & 0x0F; }
constexpr bool HasPagePenalty(uint8_t entry) { return (entry & opcode_matrix::P) != 0; }
constexpr bool IsBranchEntry(uint8_t entry) { return entry == opcode_matrix::BR; }
constexpr bool LeavesLastCycle(uint8_t entry) { return entry == opcode_matrix::NONE; }

// Instruction length in bytes, from the addressing mode.
constexpr uint8_t LengthOf(Mode mode)
{
    switch (mode) {
    case Mode::Implied: return 1;
    case Mode::Absolute:
    case Mode::Indirect:
    case Mode::AbsoluteX:
    case Mode::AbsoluteY: return 3;
    default: return 2;
    }
}
