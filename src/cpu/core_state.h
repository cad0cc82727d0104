// What a running core keeps in locals: the registers, the operand latch and
// the clock, and the flag, status and arithmetic rules over them.  The rules
// are templates over the register holder, so the same code serves the
// running core's locals and the machine's register file (registers.h).
//
// Two sets of rules, chosen by Nmos.  The NMOS 6502 that the 7501/8501 is
// (Accuracy=1) keeps no B flag, pushes bit 5 and bit 4 as 1 for PHP and BRK
// and bit 4 as 0 for an interrupt, and has the chip's decimal flags.  The
// older model (Accuracy=0) keeps a B flag and its own decimal flags.
#pragma once
#include <cstdint>

struct CoreState {
    uint16_t PC;
    uint8_t AC;
    uint8_t XR;
    uint8_t YR;
    uint8_t SP;
    uint8_t FlagN;
    uint8_t FlagV;
    uint8_t FlagB;
    uint8_t FlagD;
    uint8_t FlagI;
    uint8_t FlagZ;
    uint8_t FlagC;
    uint8_t latch;          // the operand latch (registers.h: OperandLatch)
    uint8_t flagIBefore;    // I before the last CLI, SEI or PLP
    uint8_t jammed;
    uint64_t cycle;         // the start of the instruction being executed
    // The code window (core.h): an instruction starting at codeBase up to
    // codeBase + codeSpan - 1 reads the byte at address from codeOrigin +
    // address (the page's pointer less codeBase, as a number: it may point
    // before the page's image); codeSpan 0 when there is none.
    uintptr_t codeOrigin;
    uint16_t codeBase;
    uint16_t codeSpan;
};

// N from bit 7 (the bit itself is stored), Z as 0 or 1.
template <typename R>
[[gnu::always_inline]] inline void SetNZOf(R& r, uint8_t value)
{
    r.FlagN = value & 0x80;
    r.FlagZ = value == 0;
}

template <typename R>
[[gnu::always_inline]] inline uint8_t CarryOf(const R& r)
{
    return r.FlagC ? 1 : 0;
}

// ---- The status byte --------------------------------------------------

inline uint8_t FlagBit(uint8_t flag, int position) { return static_cast<uint8_t>((flag ? 1 : 0) << position); }

template <typename R>
[[gnu::always_inline]] inline uint8_t CommonStatusBits(const R& r)
{
    return FlagBit(r.FlagN, 7) | FlagBit(r.FlagV, 6) | FlagBit(r.FlagD, 3) | FlagBit(r.FlagZ, 1) | FlagBit(r.FlagC, 0);
}

// The older model's three forms; its PHP form is also the snapshot's byte.
template <typename R>
[[gnu::always_inline]] inline uint8_t OlderStatusPhp(const R& r)
{
    return CommonStatusBits(r) | FlagBit(r.FlagB, 4) | FlagBit(r.FlagI, 2);
}
template <typename R>
[[gnu::always_inline]] inline uint8_t OlderStatusBrk(const R& r)
{
    return CommonStatusBits(r) | 0x30;
}
template <typename R>
[[gnu::always_inline]] inline uint8_t OlderStatusInterrupt(const R& r)
{
    return CommonStatusBits(r) | FlagBit(r.FlagI, 2);
}

// PHP, and BRK before it sets I.
template <bool Nmos, typename R>
[[gnu::always_inline]] inline uint8_t StatusPhpOf(const R& r)
{
    if constexpr (Nmos)
        return static_cast<uint8_t>(CommonStatusBits(r) | 0x30 | FlagBit(r.FlagI, 2));
    else
        return OlderStatusPhp(r);
}
template <bool Nmos, typename R>
[[gnu::always_inline]] inline uint8_t StatusBrkOf(const R& r)
{
    if constexpr (Nmos)
        return StatusPhpOf<true>(r);   // the chip pushes the same byte for both
    else
        return OlderStatusBrk(r);
}
template <bool Nmos, typename R>
[[gnu::always_inline]] inline uint8_t StatusInterruptOf(const R& r)
{
    if constexpr (Nmos)
        return static_cast<uint8_t>(CommonStatusBits(r) | 0x20 | FlagBit(r.FlagI, 2));
    else
        return OlderStatusInterrupt(r);
}

// Every flag, B from bit 4; the byte also lands in the latch.
template <typename R>
[[gnu::always_inline]] inline void UnpackStatusOf(R& r, uint8_t& latch, uint8_t status)
{
    r.FlagN = (status >> 7) & 1;
    r.FlagV = (status >> 6) & 1;
    r.FlagB = (status >> 4) & 1;
    r.FlagD = (status >> 3) & 1;
    r.FlagI = (status >> 2) & 1;
    r.FlagZ = (status >> 1) & 1;
    r.FlagC = status & 1;
    latch = status;
}

// PLP and RTI: the NMOS part has no B flag to restore.
template <bool Nmos, typename R>
[[gnu::always_inline]] inline void PullStatusOf(R& r, uint8_t& latch, uint8_t status)
{
    UnpackStatusOf(r, latch, status);
    if constexpr (Nmos)
        r.FlagB = 0;
}

// ---- ADC and SBC ------------------------------------------------------
// The decimal forms work nibble by nibble and accept nibbles above 9 as the
// chip does.  The older model's decimal ADC takes N and Z from the decimal
// result and clears V; its SBC adjusts a low digit above 9 even without a
// borrow, takes its carry from the adjusted high digit and leaves V alone.
// The NMOS chip's ADC takes Z from the binary sum, N and V from the sum once
// the low digit is adjusted and before the high one is; its SBC sets every
// flag as the binary subtraction does and adjusts only the accumulator, a
// digit only where it borrowed.  Both agree on the accumulator and carry for
// valid decimal operands.

// The adder's outputs.  The decimal forms are plain functions of values,
// so that they may stay out of line without the registers leaving the
// running core's locals.
struct AdderResult {
    uint8_t ac, n, v, z, c;
};

template <typename R>
[[gnu::always_inline]] inline void ApplyAdder(R& r, AdderResult a)
{
    r.AC = a.ac;
    r.FlagN = a.n;
    r.FlagV = a.v;
    r.FlagZ = a.z;
    r.FlagC = a.c;
}

template <typename R>
[[gnu::always_inline]] inline void AddBinaryOf(R& r, uint8_t operand)
{
    unsigned m = operand;
    unsigned sum = r.AC + m + CarryOf(r);
    r.FlagC = sum >= 0x100;
    r.FlagV = (~(r.AC ^ m) & (r.AC ^ sum) & 0x80) != 0;
    r.AC = static_cast<uint8_t>(sum);
    SetNZOf(r, r.AC);
}

[[gnu::always_inline]] inline AdderResult SubtractBinaryValue(uint8_t a, uint8_t m, unsigned carry)
{
    uint16_t diff = static_cast<uint16_t>(a - m - (1 - carry));
    const uint8_t result = static_cast<uint8_t>(diff);
    return {result, static_cast<uint8_t>(result & 0x80), static_cast<uint8_t>(((a ^ m) & (a ^ diff) & 0x80) != 0),
            static_cast<uint8_t>(result == 0), static_cast<uint8_t>(diff < 0x100)};
}

template <typename R>
[[gnu::always_inline]] inline void SubtractBinaryOf(R& r, uint8_t operand)
{
    ApplyAdder(r, SubtractBinaryValue(r.AC, operand, CarryOf(r)));
}

[[gnu::noinline]] inline AdderResult AddDecimalOlderValue(uint8_t a, uint8_t m, unsigned carry)
{
    uint8_t lo = static_cast<uint8_t>((a & 0x0F) + (m & 0x0F) + carry);
    if (lo > 9)
        lo = static_cast<uint8_t>(lo + 6);
    uint8_t hi = static_cast<uint8_t>((a >> 4) + (m >> 4));
    if (lo > 15)
        hi++;
    if (hi > 9)
        hi = static_cast<uint8_t>(hi + 6);
    const uint8_t result = static_cast<uint8_t>(hi * 16 + (lo & 0x0F));
    return {result, static_cast<uint8_t>(result & 0x80), 0, static_cast<uint8_t>(result == 0),
            static_cast<uint8_t>(hi > 15)};
}

// V stays as it was (v).
[[gnu::noinline]] inline AdderResult SubtractDecimalOlderValue(uint8_t a, uint8_t m, unsigned carry, uint8_t v)
{
    uint8_t lo = static_cast<uint8_t>((a & 0x0F) - (m & 0x0F) - (1 - carry));
    uint8_t hi = static_cast<uint8_t>((a >> 4) - (m >> 4));
    if (lo > 9) {  // a borrow wraps lo to 0xF0 and above
        lo = static_cast<uint8_t>(lo - 6);
        hi--;
    }
    const uint8_t c = (hi & 0x10) == 0;
    if (hi & 0x10)
        hi = static_cast<uint8_t>(hi - 6);
    const uint8_t result = static_cast<uint8_t>(hi * 16 + (lo & 0x0F));
    return {result, static_cast<uint8_t>(result & 0x80), v, static_cast<uint8_t>(result == 0), c};
}

[[gnu::noinline]] inline AdderResult AddDecimalNmosValue(uint8_t a8, uint8_t m8, unsigned c)
{
    unsigned a = a8;
    unsigned m = m8;
    unsigned lo = (a & 0x0F) + (m & 0x0F) + c;
    if (lo > 9)
        lo = ((lo + 6) & 0x0F) + 0x10;  // the digit, and its carry into the high one
    unsigned sum = (a & 0xF0) + (m & 0xF0) + lo;
    const uint8_t z = ((a + m + c) & 0xFF) == 0;
    const uint8_t n = sum & 0x80;
    const uint8_t v = (~(a ^ m) & (a ^ sum) & 0x80) != 0;
    if (sum >= 0xA0)
        sum += 0x60;
    return {static_cast<uint8_t>(sum), n, v, z, static_cast<uint8_t>(sum >= 0x100)};
}

[[gnu::noinline]] inline AdderResult SubtractDecimalNmosValue(uint8_t a8, uint8_t m8, unsigned carry)
{
    int a = a8;
    int m = m8;
    int lo = (a & 0x0F) - (m & 0x0F) - (1 - static_cast<int>(carry));
    AdderResult r = SubtractBinaryValue(a8, m8, carry);   // every flag
    if (lo < 0)
        lo = ((lo - 6) & 0x0F) - 0x10;  // the digit, and its borrow from the high one
    int difference = (a & 0xF0) - (m & 0xF0) + lo;
    if (difference < 0)
        difference -= 0x60;
    r.ac = static_cast<uint8_t>(difference);
    return r;
}

template <typename R>
[[gnu::always_inline]] inline void AddDecimalOlderOf(R& r, uint8_t m)
{
    ApplyAdder(r, AddDecimalOlderValue(r.AC, m, CarryOf(r)));
}

template <typename R>
[[gnu::always_inline]] inline void SubtractDecimalOlderOf(R& r, uint8_t m)
{
    ApplyAdder(r, SubtractDecimalOlderValue(r.AC, m, CarryOf(r), r.FlagV));
}

template <typename R>
[[gnu::always_inline]] inline void AddDecimalNmosOf(R& r, uint8_t m)
{
    ApplyAdder(r, AddDecimalNmosValue(r.AC, m, CarryOf(r)));
}

template <typename R>
[[gnu::always_inline]] inline void SubtractDecimalNmosOf(R& r, uint8_t m)
{
    ApplyAdder(r, SubtractDecimalNmosValue(r.AC, m, CarryOf(r)));
}

// What every ADC-type and SBC-type instruction does with its operand.
template <bool Nmos, typename R>
[[gnu::always_inline]] inline void AddWithCarryOf(R& r, uint8_t operand)
{
    if (!r.FlagD) [[likely]]
        AddBinaryOf(r, operand);
    else if constexpr (Nmos)
        AddDecimalNmosOf(r, operand);
    else
        AddDecimalOlderOf(r, operand);
}

template <bool Nmos, typename R>
[[gnu::always_inline]] inline void SubtractWithBorrowOf(R& r, uint8_t operand)
{
    if (!r.FlagD) [[likely]]
        SubtractBinaryOf(r, operand);
    else if constexpr (Nmos)
        SubtractDecimalNmosOf(r, operand);
    else
        SubtractDecimalOlderOf(r, operand);
}
