// Addressing modes: where an instruction's operand lives.  Operand bytes are
// read at PC + 1 and PC + 2 while PC still holds the opcode's address.
//
// Two models.  The NMOS processor (Nmos = true, Accuracy=1) keeps its
// zero-page pointers inside page 0 and reads memory operands through
// ReadAt, naming the cycle each access lands on.  The older model
// (Accuracy=0) reads pointers as plain words, so a pointer at 0xFF takes its
// high byte from 0x0100.
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
[[gnu::always_inline]] inline Target Indexed(uint16_t base, uint8_t index)
{
    unsigned sum = base + index;
    return {static_cast<uint16_t>(sum), static_cast<uint8_t>((sum >> 8) != (base >> 8u))};
}

[[gnu::always_inline]] inline uint8_t OperandByte() { return ReadByte(static_cast<uint16_t>(Cpu.PC + 1)); }
[[gnu::always_inline]] inline uint16_t OperandWord() { return ReadWord(static_cast<uint16_t>(Cpu.PC + 1)); }

// A pointer in page 0 as the chip reads it: the high byte of a pointer at
// 0xFF comes from 0x00.
[[gnu::always_inline]] inline uint16_t ZeroPageWord(uint8_t pointer)
{
    if (static_cast<uint8_t>(pointer - 2) < 0xFD) [[likely]] {
        // 0x02-0xFE: both bytes are plain RAM.
        const uint8_t* ram = Ram64;
        return static_cast<uint16_t>(ram[pointer] | (ram[pointer + 1] << 8));
    }
    uint8_t low = ReadByte(pointer);
    uint8_t high = ReadByte(static_cast<uint8_t>(pointer + 1));
    return static_cast<uint16_t>(low | (high << 8));
}

template <bool Nmos>
[[gnu::always_inline]] inline uint16_t PointerWord(uint8_t pointer)
{
    if constexpr (Nmos)
        return ZeroPageWord(pointer);
    else
        return ReadWord(pointer);
}

// The effective address of a memory operand.
template <Mode M, bool Nmos = false>
[[gnu::always_inline]] inline Target Locate()
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
        return {PointerWord<Nmos>(static_cast<uint8_t>(OperandByte() + Cpu.XR)), 0};
    else if constexpr (M == Mode::IndirectY)
        return Indexed(PointerWord<Nmos>(OperandByte()), Cpu.YR);
    else
        static_assert(M == Mode::ZeroPage, "no memory operand in this mode");
}

// One data access of an instruction: on the given cycle for the NMOS
// processor, untimed for the older model.
template <bool Nmos>
[[gnu::always_inline]] inline uint8_t DataRead(uint16_t address, unsigned cycle)
{
    if constexpr (Nmos)
        return ReadAt(address, cycle);
    else
        return ReadByte(address);
}

template <bool Nmos>
[[gnu::always_inline]] inline void DataWrite(uint16_t address, uint8_t value, unsigned cycle)
{
    if constexpr (Nmos)
        WriteAt(address, value, cycle);
    else
        WriteByte(address, value);
}

// The operand of a read: the immediate byte, or the byte at the effective
// address, read on the instruction's last cycle (lastCycle, 0-based, one
// later when indexing crosses a page and the read takes the penalty).
// crossed reports the page crossing for the +p reads.
template <Mode M, bool Nmos = false, bool Penalty = false>
[[gnu::always_inline]] inline uint8_t FetchOperand(uint8_t& crossed, unsigned lastCycle = 0)
{
    if constexpr (M == Mode::Immediate) {
        crossed = 0;
        return OperandByte();
    } else {
        Target target = Locate<M, Nmos>();
        crossed = target.crossed;
        return DataRead<Nmos>(target.address, Penalty ? lastCycle + target.crossed : lastCycle);
    }
}
