// Addressing modes: where an instruction's operand lives.  Operand bytes are
// read at PC + 1 and PC + 2 while PC still holds the opcode's address.
#pragma once
#include <cstdint>
#include "cpu/cpu.h"
#include "cpu/opcode_table.h"

struct Target {
    uint16_t address;
    uint8_t crossed;  // 1 when indexing moved the address into another page
};

// The page test looks at the sum before it wraps to 16 bits, so base 0xFFFF
// plus 1 counts as a crossing.
inline Target Indexed(uint16_t base, uint8_t index)
{
    unsigned sum = base + index;
    return {static_cast<uint16_t>(sum), static_cast<uint8_t>((sum >> 8) != (base >> 8u))};
}

inline uint8_t OperandByte() { return ReadByte(static_cast<uint16_t>(Cpu.PC + 1)); }
inline uint16_t OperandWord() { return ReadWord(static_cast<uint16_t>(Cpu.PC + 1)); }

// The effective address of a memory operand.  Indirect pointers do not wrap
// inside page 0: a pointer at 0xFF takes its high byte from 0x0100.
template <Mode M>
inline Target Locate()
{
    if constexpr (M == Mode::ZeroPage)
        return {OperandByte(), 0};
    else if constexpr (M == Mode::ZeroPageX)
        return {static_cast<uint8_t>(OperandByte() + Cpu.XR), 0};
    else if constexpr (M == Mode::ZeroPageY)
        return {static_cast<uint8_t>(OperandByte() + Cpu.YR), 0};
    else if constexpr (M == Mode::Absolute)
        return {OperandWord(), 0};
    else if constexpr (M == Mode::AbsoluteX)
        return Indexed(OperandWord(), Cpu.XR);
    else if constexpr (M == Mode::AbsoluteY)
        return Indexed(OperandWord(), Cpu.YR);
    else if constexpr (M == Mode::IndirectX)
        return {ReadWord(static_cast<uint8_t>(OperandByte() + Cpu.XR)), 0};
    else if constexpr (M == Mode::IndirectY)
        return Indexed(ReadWord(OperandByte()), Cpu.YR);
    else
        static_assert(M == Mode::ZeroPage, "no memory operand in this mode");
}

// The operand of a read: the immediate byte, or the byte at the effective
// address.  crossed reports the page crossing for the +p reads.
template <Mode M>
inline uint8_t FetchOperand(uint8_t& crossed)
{
    if constexpr (M == Mode::Immediate) {
        crossed = 0;
        return OperandByte();
    } else {
        Target target = Locate<M>();
        crossed = target.crossed;
        return ReadByte(target.address);
    }
}
