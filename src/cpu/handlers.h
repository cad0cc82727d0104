// The 256 instructions as templates over the bus and the model: each
// Execute<opcode, Nmos, Bus> joins an addressing mode to an operation, taking
// the opcode's mode, operation and cycles from opcode_table.h at compile
// time, and works on the running core's locals (CoreState), which it takes by
// reference and which must never leave the core's loop: every function here
// is inlined into Run (core.h).
//
// Accesses name their cycle, counted from the opcode fetch (cycle 0) and
// added to the instruction's start: a read lands on the instruction's last
// cycle (one later when indexing crosses a page and the read takes the
// penalty), a store's write too, and the NMOS read-modify-write reads three
// cycles before the end, writes the byte it read back on the next cycle and
// the result on the last.  Operand bytes come on cycles 1 and 2.  Dummy reads
// are not made.
//
// The older model (Nmos = false) reads zero-page pointers as plain words (a
// pointer at 0xFF takes its high byte from 0x0100), reads words high byte
// first and has its own undocumented operations where the NMOS part has
// ARR, SHA, SHX, SHY and TAS.
#pragma once
#include <cstdint>

#include "cpu/core_state.h"
#include "cpu/opcode_table.h"

namespace core_detail {

template <Operation>
inline constexpr bool UnknownOperation = false;

// Whether the bus asks for the two writes of a read-modify-write together.
template <typename Bus>
constexpr bool HasWriteModified = requires { Bus::WriteModified(uint16_t{}, uint8_t{}, uint8_t{}, uint64_t{}); };

template <typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t Read(S& s, uint16_t address, unsigned cycle)
{
    return Bus::Read(address, s.cycle + cycle);
}

template <typename Bus, typename S>
[[gnu::always_inline]] inline void Write(S& s, uint16_t address, uint8_t value, unsigned cycle)
{
    Bus::Write(address, value, s.cycle + cycle);
}

// A little-endian word, no page wrap (0x00FF takes its high byte from
// 0x0100).  The NMOS part reads the low byte first; the older model read
// the high byte first, and still does.
template <typename Bus, bool Nmos, typename S>
[[gnu::always_inline]] inline uint16_t ReadWord(S& s, uint16_t address, unsigned cycle)
{
    uint8_t low, high;
    if constexpr (Nmos) {
        low = Read<Bus>(s, address, cycle);
        high = Read<Bus>(s, static_cast<uint16_t>(address + 1), cycle + 1);
    } else {
        high = Read<Bus>(s, static_cast<uint16_t>(address + 1), cycle + 1);
        low = Read<Bus>(s, address, cycle);
    }
    return static_cast<uint16_t>(low | (high << 8));
}

// ---- The stack: page 1 -------------------------------------------------

template <typename Bus, typename S>
[[gnu::always_inline]] inline void PushByte(S& s, uint8_t value, unsigned cycle)
{
    Write<Bus>(s, static_cast<uint16_t>(0x0100 | s.SP), value, cycle);
    s.SP = static_cast<uint8_t>(s.SP - 1);
}

// High byte first.
template <typename Bus, typename S>
[[gnu::always_inline]] inline void PushWord(S& s, uint16_t value, unsigned cycle)
{
    PushByte<Bus>(s, static_cast<uint8_t>(value >> 8), cycle);
    PushByte<Bus>(s, static_cast<uint8_t>(value), cycle + 1);
}

template <typename Bus>
constexpr bool HasStackRead = requires { Bus::ReadStack(uint8_t{}, uint64_t{}); };

template <typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t PullByte(S& s, unsigned cycle)
{
    s.SP = static_cast<uint8_t>(s.SP + 1);
    if constexpr (HasStackRead<Bus>)
        return Bus::ReadStack(s.SP, s.cycle + cycle);
    else
        return Read<Bus>(s, static_cast<uint16_t>(0x0100 | s.SP), cycle);
}

template <typename Bus, typename S>
[[gnu::always_inline]] inline uint16_t PullWord(S& s, unsigned cycle)
{
    uint8_t low = PullByte<Bus>(s, cycle);
    uint8_t high = PullByte<Bus>(s, cycle + 1);
    return static_cast<uint16_t>(low | (high << 8));
}

// ---- Addressing modes ----------------------------------------------------

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

// The bus without its code pages: the instructions that start outside the
// code window read their bytes through Read.
template <typename Bus>
struct CodeThroughRead : Bus {
    static constexpr bool NoCodeWindow = true;
};

// Whether the bus lends the core its code pages (Bus::CodePage, core.h)
// and the core keeps a window on one.
template <typename Bus, typename S>
constexpr bool HasCodeWindow = requires(S& s) {
    Bus::CodePage(0u);
    s.codeOrigin;
} && !requires { Bus::NoCodeWindow; };

// A byte in the code window.
template <typename S>
[[gnu::always_inline]] inline uint8_t CodeAt(const S& s, unsigned address)
{
    return *reinterpret_cast<const uint8_t*>(s.codeOrigin + address);
}

// The instruction's byte at offset 1 or 2.  The core runs an instruction
// over a bus with code pages only when the window holds all three bytes.
template <typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t CodeByte(S& s, unsigned offset)
{
    if constexpr (HasCodeWindow<Bus, S>)
        return CodeAt(s, s.PC + offset);
    else
        return Read<Bus>(s, static_cast<uint16_t>(s.PC + offset), offset);
}

template <typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t OperandByte(S& s)
{
    return CodeByte<Bus>(s, 1);
}

// In ReadWord's order.
template <typename Bus, bool Nmos, typename S>
[[gnu::always_inline]] inline uint16_t OperandWord(S& s)
{
    uint8_t low, high;
    if constexpr (Nmos) {
        low = CodeByte<Bus>(s, 1);
        high = CodeByte<Bus>(s, 2);
    } else {
        high = CodeByte<Bus>(s, 2);
        low = CodeByte<Bus>(s, 1);
    }
    return static_cast<uint16_t>(low | (high << 8));
}

template <typename Bus>
constexpr bool HasZeroPageRead = requires { Bus::ReadZeroPage(uint8_t{}, uint64_t{}); };

template <typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t ReadZeroPage(S& s, uint8_t address, unsigned cycle)
{
    if constexpr (HasZeroPageRead<Bus>)
        return Bus::ReadZeroPage(address, s.cycle + cycle);
    else
        return Read<Bus>(s, address, cycle);
}

// A pointer in page 0.  The NMOS part keeps it inside the page: the high
// byte of a pointer at 0xFF comes from 0x00.
template <typename Bus, bool Nmos, typename S>
[[gnu::always_inline]] inline uint16_t PointerWord(S& s, uint8_t pointer, unsigned cycle)
{
    if constexpr (Nmos) {
        uint8_t low = ReadZeroPage<Bus>(s, pointer, cycle);
        uint8_t high = ReadZeroPage<Bus>(s, static_cast<uint8_t>(pointer + 1), cycle + 1);
        return static_cast<uint16_t>(low | (high << 8));
    } else {
        return ReadWord<Bus, false>(s, pointer, cycle);
    }
}

// The effective address of a memory operand.
template <Mode M, bool Nmos, typename Bus, typename S>
[[gnu::always_inline]] inline Target Locate(S& s)
{
    if constexpr (M == Mode::ZeroPage)
        return {OperandByte<Bus>(s), 0};
    else if constexpr (M == Mode::ZeroPageX)
        return {static_cast<uint8_t>(OperandByte<Bus>(s) + s.XR), 0};
    else if constexpr (M == Mode::ZeroPageY)
        return {static_cast<uint8_t>(OperandByte<Bus>(s) + s.YR), 0};
    else if constexpr (M == Mode::Absolute)
        return {OperandWord<Bus, Nmos>(s), 0};
    else if constexpr (M == Mode::AbsoluteX)
        return Indexed(OperandWord<Bus, Nmos>(s), s.XR);
    else if constexpr (M == Mode::AbsoluteY)
        return Indexed(OperandWord<Bus, Nmos>(s), s.YR);
    else if constexpr (M == Mode::IndirectX)
        return {PointerWord<Bus, Nmos>(s, static_cast<uint8_t>(OperandByte<Bus>(s) + s.XR), 3), 0};
    else if constexpr (M == Mode::IndirectY)
        return Indexed(PointerWord<Bus, Nmos>(s, OperandByte<Bus>(s), 2), s.YR);
    else
        static_assert(M == Mode::ZeroPage, "no memory operand in this mode");
}

// A read of the effective address; the zero-page modes' stay in page 0.
template <Mode M, typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t ReadTarget(S& s, uint16_t address, unsigned cycle)
{
    if constexpr (M == Mode::ZeroPage || M == Mode::ZeroPageX || M == Mode::ZeroPageY)
        return ReadZeroPage<Bus>(s, static_cast<uint8_t>(address), cycle);
    else
        return Read<Bus>(s, address, cycle);
}

// The operand of a read: the immediate byte, or the byte at the effective
// address, read on lastCycle (one later when indexing crosses a page and the
// read takes the penalty).
template <Mode M, bool Nmos, bool Penalty, typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t FetchOperand(S& s, uint8_t& crossed, unsigned lastCycle)
{
    if constexpr (M == Mode::Immediate) {
        crossed = 0;
        return OperandByte<Bus>(s);
    } else {
        Target target = Locate<M, Nmos, Bus>(s);
        crossed = target.crossed;
        return ReadTarget<M, Bus>(s, target.address, Penalty ? lastCycle + target.crossed : lastCycle);
    }
}

// ---- Operations ------------------------------------------------------------

// CMP and its relatives: register − operand as a 16-bit unsigned value.
template <typename S>
[[gnu::always_inline]] inline void Compare(S& s, uint8_t reg, uint8_t operand)
{
    uint16_t t = static_cast<uint16_t>(reg - operand);
    s.FlagZ = t == 0;
    s.FlagN = t & 0x80;
    s.FlagC = t < 0x100;
}

// ARR (0x6B, the NMOS processor only): AC AND the operand, rotated right
// through C.  The flags come from the adder's half-finished work: in binary
// C is bit 6 and V bit 6 XOR bit 5 of the result; in decimal mode N is the
// carry that went in, V bit 6 of what the rotate changed, and each digit of
// the AND is corrected as ADC would correct it (the high one setting C).
template <typename S>
[[gnu::always_inline]] inline void ArrangeRotate(S& s, uint8_t operand)
{
    const uint8_t t = s.AC & operand;
    uint8_t a = static_cast<uint8_t>((t >> 1) | (CarryOf(s) << 7));
    if (!s.FlagD) {
        SetNZOf(s, a);
        s.FlagC = (a >> 6) & 1;
        s.FlagV = ((a >> 6) ^ (a >> 5)) & 1;
        s.AC = a;
        return;
    }
    s.FlagN = a & 0x80;
    s.FlagZ = a == 0;
    s.FlagV = ((t ^ a) >> 6) & 1;
    if ((t & 0x0F) + (t & 0x01) > 5)
        a = static_cast<uint8_t>((a & 0xF0) | ((a + 6) & 0x0F));
    const bool highCarry = (t & 0xF0) + (t & 0x10) > 0x50;
    if (highCarry)
        a = static_cast<uint8_t>(a + 0x60);
    s.FlagC = highCarry;
    s.AC = a;
}

template <Operation O, bool Nmos, typename S>
[[gnu::always_inline]] inline void ApplyRead(S& s, uint8_t v)
{
    using enum Operation;
    if constexpr (O == LDA) {
        s.AC = v;
        SetNZOf(s, v);
    } else if constexpr (O == LDX) {
        s.XR = v;
        SetNZOf(s, v);
    } else if constexpr (O == LDY) {
        s.YR = v;
        SetNZOf(s, v);
    } else if constexpr (O == ORA) {
        s.AC |= v;
        SetNZOf(s, s.AC);
    } else if constexpr (O == AND) {
        s.AC &= v;
        SetNZOf(s, s.AC);
    } else if constexpr (O == EOR) {
        s.AC ^= v;
        SetNZOf(s, s.AC);
    } else if constexpr (O == ADC) {
        s.latch = v;
        AddWithCarryOf<Nmos>(s, v);
    } else if constexpr (O == SBC) {
        s.latch = v;
        SubtractWithBorrowOf<Nmos>(s, v);
    } else if constexpr (O == CMP) {
        Compare(s, s.AC, v);
    } else if constexpr (O == CPX) {
        Compare(s, s.XR, v);
    } else if constexpr (O == CPY) {
        Compare(s, s.YR, v);
    } else if constexpr (O == BIT) {
        s.FlagZ = (s.AC & v) == 0;
        s.FlagN = v & 0x80;
        s.FlagV = v & 0x40;
        s.latch = v;
    } else if constexpr (O == LDT) {
        s.AC = s.XR = v;
        SetNZOf(s, v);
    } else if constexpr (O == TSA) {
        v &= s.SP;
        s.SP = s.XR = s.AC = v;
        SetNZOf(s, v);
    } else if constexpr (O == ANN) {
        s.AC &= v;
        s.FlagN = s.FlagC = s.AC & 0x80;
        s.FlagZ = s.AC == 0;
    } else if constexpr (O == ANL) {
        uint8_t t = s.AC & v;
        s.FlagC = t & 1;
        s.AC = t >> 1;
        s.FlagN = 0;
        s.FlagZ = s.AC == 0;
    } else if constexpr (O == TAN) {
        s.AC = (s.AC | 0xEE) & v & s.XR;
        SetNZOf(s, s.AC);
    } else if constexpr (O == ANX) {
        s.AC = s.XR = (s.AC | 0xEE) & v;
        SetNZOf(s, s.AC);
    } else if constexpr (O == XAS) {
        s.XR &= s.AC;
        uint16_t t = static_cast<uint16_t>(s.XR - v);
        s.XR = static_cast<uint8_t>(t);
        s.FlagC = t < 0x100;
        SetNZOf(s, s.XR);
    } else if constexpr (O == ARR) {
        ArrangeRotate(s, v);
    } else {
        static_assert(UnknownOperation<O>);
    }
}

// The byte a store writes to address.
template <Operation O, typename Bus, typename S>
[[gnu::always_inline]] inline uint8_t StoredValue(S& s, uint16_t address)
{
    using enum Operation;
    if constexpr (O == STA) {
        return s.AC;
    } else if constexpr (O == STX) {
        return s.XR;
    } else if constexpr (O == STY) {
        return s.YR;
    } else if constexpr (O == AAX) {
        return s.AC & s.XR;
    } else if constexpr (O == AXI) {
        return s.AC & s.XR & static_cast<uint8_t>(Read<Bus>(s, static_cast<uint16_t>(address + 1), 2) + 1);
    } else if constexpr (O == AXS) {
        // The stack pointer takes AC AND XR first; the mask is the operand's low byte + 1.
        s.SP = s.AC & s.XR;
        return s.AC & s.XR & static_cast<uint8_t>(OperandByte<Bus>(s) + 1);
    } else {
        static_assert(UnknownOperation<O>);
    }
}

// Read-modify-write: returns the new byte for the target and combines it
// with AC where the operation does so.
template <Operation O, bool Nmos, typename S>
[[gnu::always_inline]] inline uint8_t Modify(S& s, uint8_t m)
{
    using enum Operation;
    uint8_t r;
    if constexpr (O == ASL || O == ASO) {
        s.FlagC = m & 0x80;
        r = static_cast<uint8_t>(m << 1);
    } else if constexpr (O == ROL || O == RAN) {
        r = static_cast<uint8_t>((m << 1) | CarryOf(s));
        s.FlagC = m & 0x80;
    } else if constexpr (O == LSR || O == LSE) {
        s.FlagC = m & 1;
        r = m >> 1;
    } else if constexpr (O == ROR || O == RAD) {
        r = static_cast<uint8_t>((m >> 1) | (CarryOf(s) << 7));
        s.FlagC = m & 1;
    } else if constexpr (O == INC || O == INB) {
        r = static_cast<uint8_t>(m + 1);
    } else if constexpr (O == DEC || O == DEM) {
        r = static_cast<uint8_t>(m - 1);
    } else {
        static_assert(UnknownOperation<O>);
    }

    if constexpr (O == ASO) {
        s.AC |= r;
        SetNZOf(s, s.AC);
    } else if constexpr (O == RAN) {
        s.AC &= r;
        SetNZOf(s, s.AC);
    } else if constexpr (O == LSE) {
        s.AC ^= r;
        SetNZOf(s, s.AC);
    } else if constexpr (O == RAD) {
        if constexpr (Nmos) {
            // The chip's RRA: an ADC of the rotated byte, the rotate's carry in.
            s.latch = r;
            AddWithCarryOf<true>(s, r);
        } else {
            // A plain addition: no carry in, the carry stays the rotate's, V untouched.
            s.AC = static_cast<uint8_t>(s.AC + r);
            SetNZOf(s, s.AC);
        }
    } else if constexpr (O == DEM) {
        Compare(s, s.AC, r);
    } else if constexpr (O == INB) {
        if constexpr (Nmos) {
            // The chip's ISC: an SBC of the incremented byte.
            s.latch = r;
            SubtractWithBorrowOf<true>(s, r);
        } else {
            // A subtraction without borrow in and without V, whatever FlagD says.
            uint16_t t = static_cast<uint16_t>(s.AC - r);
            s.AC = static_cast<uint8_t>(t);
            s.FlagZ = t == 0;
            s.FlagN = s.AC & 0x80;
            s.FlagC = t < 0x100;
        }
    } else {
        SetNZOf(s, r);
    }
    return r;
}

// ---- Instructions ----------------------------------------------------------

// The common tail: step over the instruction and count its cycles.
template <typename S>
[[gnu::always_inline]] inline void Finish(S& s, uint8_t length, unsigned cycles)
{
    s.PC = static_cast<uint16_t>(s.PC + length);
    s.cycle += cycles;
}

template <Operation O, typename S>
[[gnu::always_inline]] inline bool BranchTaken(const S& s)
{
    using enum Operation;
    if constexpr (O == BPL) return !s.FlagN;
    else if constexpr (O == BMI) return s.FlagN;
    else if constexpr (O == BVC) return !s.FlagV;
    else if constexpr (O == BVS) return s.FlagV;
    else if constexpr (O == BCC) return !s.FlagC;
    else if constexpr (O == BCS) return s.FlagC;
    else if constexpr (O == BNE) return !s.FlagZ;
    else if constexpr (O == BEQ) return s.FlagZ;
    else static_assert(UnknownOperation<O>);
}

// A taken branch costs one more cycle when it lands in another page than the
// one holding the branch itself (not the one after it).
template <typename Bus, typename S>
[[gnu::always_inline]] inline void Branch(S& s, bool taken)
{
    if (!taken) {
        Finish(s, 2, 2);
        return;
    }
    uint8_t offset = OperandByte<Bus>(s);
    s.latch = offset;
    uint16_t from = s.PC;
    s.PC = static_cast<uint16_t>(from + 2 + static_cast<int8_t>(offset));
    s.cycle += ((s.PC ^ from) & 0xFF00) ? 4 : 3;
}

// JMP (w).  The NMOS processor does not carry into the pointer's high byte:
// JMP (0x12FF) takes the high byte from 0x1200.
template <typename Bus, bool Nmos, typename S>
[[gnu::always_inline]] inline uint16_t IndirectTarget(S& s, uint16_t pointer)
{
    if constexpr (Nmos) {
        uint8_t low = Read<Bus>(s, pointer, 3);
        uint8_t high = Read<Bus>(s, static_cast<uint16_t>((pointer & 0xFF00) | ((pointer + 1) & 0x00FF)), 4);
        return static_cast<uint16_t>(low | (high << 8));
    } else {
        return ReadWord<Bus, false>(s, pointer, 3);
    }
}

// SHA, SHX, SHY and TAS: the register's bits AND the high byte of the base
// address plus one; when indexing carries into the next page, that value
// also replaces the address's high byte.
template <Operation O, Mode M, typename Bus, typename S>
[[gnu::always_inline]] inline void StoreHighAnd(S& s, unsigned writeCycle)
{
    using enum Operation;
    const uint16_t base = M == Mode::IndirectY ? PointerWord<Bus, true>(s, OperandByte<Bus>(s), 2)
                                               : OperandWord<Bus, true>(s);
    const Target target = Indexed(base, M == Mode::AbsoluteX ? s.XR : s.YR);
    const uint8_t mask = static_cast<uint8_t>((base >> 8) + 1);
    uint8_t value;
    if constexpr (O == SHA) {
        value = s.AC & s.XR & mask;
    } else if constexpr (O == SHX) {
        value = s.XR & mask;
    } else if constexpr (O == SHY) {
        value = s.YR & mask;
    } else {
        s.SP = s.AC & s.XR;
        value = s.SP & mask;
    }
    const uint16_t address =
        target.crossed ? static_cast<uint16_t>((value << 8) | (target.address & 0xFF)) : target.address;
    Write<Bus>(s, address, value, writeCycle);
}

constexpr bool IsHighAndStore(Operation op)
{
    return op == Operation::SHA || op == Operation::SHX || op == Operation::SHY || op == Operation::TAS;
}

// Instructions without a memory operand, and those that load PC.  Returns
// false where the core must stop running: a jam, or (the older model) an
// opcode that does nothing at all and lets no time pass.
template <Operation O, Mode M, uint8_t Entry, bool Nmos, typename Bus, typename S>
[[gnu::always_inline]] inline bool ExecuteOther(S& s)
{
    using enum Operation;
    constexpr uint8_t cycles = BaseCycles(Entry);
    if constexpr (Nmos && (O == CLI || O == SEI || O == PLP))
        s.flagIBefore = s.FlagI;
    if constexpr (O == TAX) { s.XR = s.AC; SetNZOf(s, s.XR); }
    else if constexpr (O == TAY) { s.YR = s.AC; SetNZOf(s, s.YR); }
    else if constexpr (O == TXA) { s.AC = s.XR; SetNZOf(s, s.AC); }
    else if constexpr (O == TYA) { s.AC = s.YR; SetNZOf(s, s.AC); }
    else if constexpr (O == TSX) { s.XR = s.SP; SetNZOf(s, s.XR); }
    else if constexpr (O == TXS) { s.SP = s.XR; }
    else if constexpr (O == INX) { s.XR++; SetNZOf(s, s.XR); }
    else if constexpr (O == INY) { s.YR++; SetNZOf(s, s.YR); }
    else if constexpr (O == DEX) { s.XR--; SetNZOf(s, s.XR); }
    else if constexpr (O == DEY) { s.YR--; SetNZOf(s, s.YR); }
    else if constexpr (O == CLC) { s.FlagC = 0; }
    else if constexpr (O == SEC) { s.FlagC = 1; }
    else if constexpr (O == CLI) { s.FlagI = 0; }
    else if constexpr (O == SEI) { s.FlagI = 1; }
    else if constexpr (O == CLD) { s.FlagD = 0; }
    else if constexpr (O == SED) { s.FlagD = 1; }
    else if constexpr (O == CLV) { s.FlagV = 0; }
    else if constexpr (O == PHA) { PushByte<Bus>(s, s.AC, 2); }
    else if constexpr (O == PLA) { s.AC = PullByte<Bus>(s, 3); SetNZOf(s, s.AC); }
    else if constexpr (O == PHP) { PushByte<Bus>(s, StatusPhpOf<Nmos>(s), 2); }
    else if constexpr (O == PLP) { PullStatusOf<Nmos>(s, s.latch, PullByte<Bus>(s, 3)); }

    if constexpr (Nmos && O == NOP && M != Mode::Implied && M != Mode::Immediate) {
        // The NMOS no-operations with a memory operand read it.
        uint8_t crossed;
        FetchOperand<M, true, HasPagePenalty(Entry), Bus>(s, crossed, cycles - 1);
        Finish(s, LengthOf(M), cycles + crossed);
    } else if constexpr (O == NOP && HasPagePenalty(Entry)) {
        // The 0x1C family reads its operand word only to decide the penalty.
        Finish(s, LengthOf(M), cycles + Locate<M, Nmos, Bus>(s).crossed);
    } else if constexpr (O == JMP && M == Mode::Absolute) {
        s.PC = OperandWord<Bus, Nmos>(s);
        s.cycle += cycles;
    } else if constexpr (O == JMP) {
        s.PC = IndirectTarget<Bus, Nmos>(s, OperandWord<Bus, Nmos>(s));
        s.cycle += cycles;
    } else if constexpr (O == JSR) {
        // The return address pushed is that of the last byte of the JSR; the
        // target is read after the push.
        PushWord<Bus>(s, static_cast<uint16_t>(s.PC + 2), 3);
        s.PC = OperandWord<Bus, Nmos>(s);
        s.cycle += cycles;
    } else if constexpr (O == RTS) {
        s.PC = static_cast<uint16_t>(PullWord<Bus>(s, 3) + 1);
        s.cycle += cycles;
    } else if constexpr (O == RTI) {
        PullStatusOf<Nmos>(s, s.latch, PullByte<Bus>(s, 3));
        s.PC = PullWord<Bus>(s, 4);
        s.cycle += cycles;
    } else if constexpr (O == BRK) {
        uint8_t status = StatusBrkOf<Nmos>(s);  // with FlagI as it was
        s.FlagI = 1;
        s.FlagB = 0;
        PushWord<Bus>(s, static_cast<uint16_t>(s.PC + 2), 2);
        PushByte<Bus>(s, status, 4);
        s.PC = ReadWord<Bus, Nmos>(s, 0xFFFE, 5);
        s.cycle += cycles;
    } else if constexpr (M == Mode::Relative) {
        Branch<Bus>(s, BranchTaken<O>(s));
    } else if constexpr (O == JAM && Nmos) {
        // The processor stops on the opcode; only a reset starts it again.
        s.jammed = 1;
        s.cycle += cycles;
        return false;
    } else if constexpr (O == JAM) {
        // The older model locks up on the opcode; only an interrupt, now
        // allowed, can lead it away (the owner hears of it: Bus::OlderJam).
        Bus::OlderJam();
        s.FlagI = 0;
        s.cycle += cycles;
        return false;
    } else if constexpr (O == UNI) {
        // Nothing at all: PC, registers, flags and the clock stay.
        return false;
    } else {
        Finish(s, LengthOf(M), cycles);
    }
    return true;
}

template <std::size_t Opcode, bool Nmos, typename Bus, typename S>
[[gnu::always_inline]] inline bool Execute(S& s)
{
    constexpr Mode mode = Nmos ? NmosModeTable[Opcode] : ModeTable[Opcode];
    constexpr Operation op = Nmos ? NmosOperationTable[Opcode] : OperationTable[Opcode];
    constexpr uint8_t entry = Nmos ? NmosCycleTable[Opcode] : CycleTable[Opcode];
    constexpr uint8_t length = LengthOf(mode);
    constexpr uint8_t cycles = BaseCycles(entry);
    constexpr bool penalty = HasPagePenalty(entry);
    constexpr Access access = AccessOf(op);

    if constexpr (access == Access::Read) {
        uint8_t crossed;
        uint8_t value = FetchOperand<mode, Nmos, penalty, Bus>(s, crossed, cycles - 1);
        ApplyRead<op, Nmos>(s, value);
        Finish(s, length, penalty ? cycles + crossed : cycles);
    } else if constexpr (access == Access::Write && IsHighAndStore(op)) {
        StoreHighAnd<op, mode, Bus>(s, cycles - 1);
        Finish(s, length, cycles);
    } else if constexpr (access == Access::Write) {
        uint16_t address = Locate<mode, Nmos, Bus>(s).address;
        Write<Bus>(s, address, StoredValue<op, Bus>(s, address), cycles - 1);
        Finish(s, length, cycles);
    } else if constexpr (access == Access::Modify && mode == Mode::Implied) {
        s.AC = Modify<op, Nmos>(s, s.AC);
        Finish(s, length, cycles);
    } else if constexpr (access == Access::Modify && Nmos) {
        // Read, write the byte back, write the result.
        uint16_t address = Locate<mode, true, Bus>(s).address;
        uint8_t unmodified = ReadTarget<mode, Bus>(s, address, cycles - 3);
        uint8_t result = Modify<op, true>(s, unmodified);
        if constexpr (HasWriteModified<Bus>) {
            Bus::WriteModified(address, unmodified, result, s.cycle + cycles - 2);
        } else {
            Write<Bus>(s, address, unmodified, cycles - 2);
            Write<Bus>(s, address, result, cycles - 1);
        }
        Finish(s, length, cycles);
    } else if constexpr (access == Access::Modify) {
        // One read and one write of the target.
        uint16_t address = Locate<mode, false, Bus>(s).address;
        Write<Bus>(s, address, Modify<op, false>(s, Read<Bus>(s, address, cycles - 2)), cycles - 1);
        Finish(s, length, cycles);
    } else {
        return ExecuteOther<op, mode, entry, Nmos, Bus>(s);
    }
    return true;
}

}  // namespace core_detail
