// What the instructions do with their operand, by kind of access: reads
// take a byte, stores produce one, read-modify-write turns one into another.
// Documented and undocumented operations side by side; flags not named stay.
#pragma once
#include <cstdint>
#include "cpu/cpu.h"
#include "cpu/opcode_table.h"
#include "cpu/processor_model.h"

template <Operation>
inline constexpr bool UnknownOperation = false;

// N from bit 7 (the bit itself is stored), Z as 0 or 1.
[[gnu::always_inline]] inline void SetNZ(uint8_t value)
{
    Cpu.FlagN = value & 0x80;
    Cpu.FlagZ = value == 0;
}

inline uint8_t CarryIn() { return Cpu.FlagC ? 1 : 0; }

// CMP and its relatives: register − operand as a 16-bit unsigned value.
[[gnu::always_inline]] inline void Compare(uint8_t reg, uint8_t operand)
{
    uint16_t t = static_cast<uint16_t>(reg - operand);
    Cpu.FlagZ = t == 0;
    Cpu.FlagN = t & 0x80;
    Cpu.FlagC = t < 0x100;
}

// ARR (0x6B, the NMOS processor only): AC AND the operand, rotated right
// through C.  The flags come from the adder's half-finished work: in binary
// C is bit 6 and V bit 6 XOR bit 5 of the result; in decimal mode N is the
// carry that went in, V bit 6 of what the rotate changed, and each digit of
// the AND is corrected as ADC would correct it (the high one setting C).
inline void ArrangeRotate(uint8_t operand)
{
    const uint8_t t = Cpu.AC & operand;
    uint8_t a = static_cast<uint8_t>((t >> 1) | (CarryIn() << 7));
    if (!Cpu.FlagD) {
        SetNZ(a);
        Cpu.FlagC = (a >> 6) & 1;
        Cpu.FlagV = ((a >> 6) ^ (a >> 5)) & 1;
        Cpu.AC = a;
        return;
    }
    Cpu.FlagN = a & 0x80;
    Cpu.FlagZ = a == 0;
    Cpu.FlagV = ((t ^ a) >> 6) & 1;
    if ((t & 0x0F) + (t & 0x01) > 5)
        a = static_cast<uint8_t>((a & 0xF0) | ((a + 6) & 0x0F));
    const bool highCarry = (t & 0xF0) + (t & 0x10) > 0x50;
    if (highCarry)
        a = static_cast<uint8_t>(a + 0x60);
    Cpu.FlagC = highCarry;
    Cpu.AC = a;
}

template <Operation O>
[[gnu::always_inline]] inline void ApplyRead(uint8_t v)
{
    using enum Operation;
    if constexpr (O == LDA) {
        Cpu.AC = v;
        SetNZ(v);
    } else if constexpr (O == LDX) {
        Cpu.XR = v;
        SetNZ(v);
    } else if constexpr (O == LDY) {
        Cpu.YR = v;
        SetNZ(v);
    } else if constexpr (O == ORA) {
        Cpu.AC |= v;
        SetNZ(Cpu.AC);
    } else if constexpr (O == AND) {
        Cpu.AC &= v;
        SetNZ(Cpu.AC);
    } else if constexpr (O == EOR) {
        Cpu.AC ^= v;
        SetNZ(Cpu.AC);
    } else if constexpr (O == ADC) {
        OperandLatch = v;
        AddWithCarry();
    } else if constexpr (O == SBC) {
        OperandLatch = v;
        SubtractWithBorrow();
    } else if constexpr (O == CMP) {
        Compare(Cpu.AC, v);
    } else if constexpr (O == CPX) {
        Compare(Cpu.XR, v);
    } else if constexpr (O == CPY) {
        Compare(Cpu.YR, v);
    } else if constexpr (O == BIT) {
        Cpu.FlagZ = (Cpu.AC & v) == 0;
        Cpu.FlagN = v & 0x80;
        Cpu.FlagV = v & 0x40;
        OperandLatch = v;
    } else if constexpr (O == LDT) {
        Cpu.AC = Cpu.XR = v;
        SetNZ(v);
    } else if constexpr (O == TSA) {
        v &= Cpu.SP;
        Cpu.SP = Cpu.XR = Cpu.AC = v;
        SetNZ(v);
    } else if constexpr (O == ANN) {
        Cpu.AC &= v;
        Cpu.FlagN = Cpu.FlagC = Cpu.AC & 0x80;
        Cpu.FlagZ = Cpu.AC == 0;
    } else if constexpr (O == ANL) {
        uint8_t t = Cpu.AC & v;
        Cpu.FlagC = t & 1;
        Cpu.AC = t >> 1;
        Cpu.FlagN = 0;
        Cpu.FlagZ = Cpu.AC == 0;
    } else if constexpr (O == TAN) {
        Cpu.AC = (Cpu.AC | 0xEE) & v & Cpu.XR;
        SetNZ(Cpu.AC);
    } else if constexpr (O == ANX) {
        Cpu.AC = Cpu.XR = (Cpu.AC | 0xEE) & v;
        SetNZ(Cpu.AC);
    } else if constexpr (O == XAS) {
        Cpu.XR &= Cpu.AC;
        uint16_t t = static_cast<uint16_t>(Cpu.XR - v);
        Cpu.XR = static_cast<uint8_t>(t);
        Cpu.FlagC = t < 0x100;
        SetNZ(Cpu.XR);
    } else if constexpr (O == ARR) {
        ArrangeRotate(v);
    } else {
        static_assert(UnknownOperation<O>);
    }
}

// The byte a store writes to address.
template <Operation O>
[[gnu::always_inline]] inline uint8_t StoredValue(uint16_t address)
{
    using enum Operation;
    if constexpr (O == STA) {
        return Cpu.AC;
    } else if constexpr (O == STX) {
        return Cpu.XR;
    } else if constexpr (O == STY) {
        return Cpu.YR;
    } else if constexpr (O == AAX) {
        return Cpu.AC & Cpu.XR;
    } else if constexpr (O == AXI) {
        return Cpu.AC & Cpu.XR & static_cast<uint8_t>(ReadByte(static_cast<uint16_t>(address + 1)) + 1);
    } else if constexpr (O == AXS) {
        // The stack pointer takes AC AND XR first; the mask is the operand's low byte + 1.
        Cpu.SP = Cpu.AC & Cpu.XR;
        return Cpu.AC & Cpu.XR & static_cast<uint8_t>(ReadByte(static_cast<uint16_t>(Cpu.PC + 1)) + 1);
    } else {
        static_assert(UnknownOperation<O>);
    }
}

// Read-modify-write: returns the new byte for the target and combines it
// with AC where the operation does so.
template <Operation O>
[[gnu::always_inline]] inline uint8_t Modify(uint8_t m)
{
    using enum Operation;
    uint8_t r;
    if constexpr (O == ASL || O == ASO) {
        Cpu.FlagC = m & 0x80;
        r = static_cast<uint8_t>(m << 1);
    } else if constexpr (O == ROL || O == RAN) {
        r = static_cast<uint8_t>((m << 1) | CarryIn());
        Cpu.FlagC = m & 0x80;
    } else if constexpr (O == LSR || O == LSE) {
        Cpu.FlagC = m & 1;
        r = m >> 1;
    } else if constexpr (O == ROR || O == RAD) {
        r = static_cast<uint8_t>((m >> 1) | (CarryIn() << 7));
        Cpu.FlagC = m & 1;
    } else if constexpr (O == INC || O == INB) {
        r = static_cast<uint8_t>(m + 1);
    } else if constexpr (O == DEC || O == DEM) {
        r = static_cast<uint8_t>(m - 1);
    } else {
        static_assert(UnknownOperation<O>);
    }

    if constexpr (O == ASO) {
        Cpu.AC |= r;
        SetNZ(Cpu.AC);
    } else if constexpr (O == RAN) {
        Cpu.AC &= r;
        SetNZ(Cpu.AC);
    } else if constexpr (O == LSE) {
        Cpu.AC ^= r;
        SetNZ(Cpu.AC);
    } else if constexpr (O == RAD) {
        if (NmosRules()) {
            // The chip's RRA: an ADC of the rotated byte, the rotate's carry in.
            OperandLatch = r;
            AddWithCarry();
        } else {
            // A plain addition: no carry in, the carry stays the rotate's, V untouched.
            Cpu.AC = static_cast<uint8_t>(Cpu.AC + r);
            SetNZ(Cpu.AC);
        }
    } else if constexpr (O == DEM) {
        Compare(Cpu.AC, r);
    } else if constexpr (O == INB) {
        if (NmosRules()) {
            // The chip's ISC: an SBC of the incremented byte.
            OperandLatch = r;
            SubtractWithBorrow();
        } else {
            // A subtraction without borrow in and without V, whatever FlagD says.
            uint16_t t = static_cast<uint16_t>(Cpu.AC - r);
            Cpu.AC = static_cast<uint8_t>(t);
            Cpu.FlagZ = t == 0;
            Cpu.FlagN = Cpu.AC & 0x80;
            Cpu.FlagC = t < 0x100;
        }
    } else {
        SetNZ(r);
    }
    return r;
}
