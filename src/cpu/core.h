// One processor core over the bus it is given: the machine's, run6502's
// flat RAM, a disk drive's.  The core knows nothing of what lies on the bus.
//
// The bus is a type with static inline members:
//   static uint8_t Read(uint16_t address, uint64_t cycle);
//   static void Write(uint16_t address, uint8_t value, uint64_t cycle);
// where cycle is the core's clock at the access (core.cycle at the start of
// the instruction plus the access's cycle within it, 0 the opcode fetch).
// Optional members, looked for at compile time:
//   static void WriteModified(uint16_t address, uint8_t unmodified,
//                             uint8_t result, uint64_t cycle);
//       the NMOS read-modify-write's two writes (on cycle and cycle + 1) in
//       one call; without it the core makes two Write calls.
//   static bool Trap(uint16_t pc, uint64_t cycle);
//       asked before each instruction; true ends Run before it (a host
//       call, a breakpoint).
//   static constexpr bool Pins = true;
//       Run itself looks at the IRQ input and the SO pin at every
//       instruction boundary (see CpuCore::irq); without it the owner polls
//       between runs (the machine keeps its own exact poll).
//   static const uint8_t* CodePage(unsigned page);
//       the 256 bytes of a page that reads take straight from memory, or
//       nullptr when they go through Read.  The core fetches an
//       instruction's bytes through a window on the page under PC (and the
//       next page's first two bytes when its pointer follows on), opened at a
//       page change, so the pointers must stay valid for the whole run: a
//       bus whose map changes ends the run with that instruction (stopAt).
//   static uint8_t ReadZeroPage(uint8_t address, uint64_t cycle);
//   static uint8_t ReadStack(uint8_t sp, uint64_t cycle);
//       Read for the zero-page modes' operands and pointers, and for the
//       pulls from page 1 (at 0x0100 + sp).
//   static void OlderJam();
//       the older model's jam (only for Run<Bus, false>).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "cpu/core_state.h"
#include "cpu/handlers.h"
#include "cpu/register_file.h"

struct CpuCore {
    CpuRegisters regs;      // PC AC XR YR SP Flag*
    uint64_t cycle;         // this processor's clock: cycles run so far
    uint64_t stopAt;        // Run returns at the first instruction end with cycle >= stopAt;
                            // a bus access may lower it (e.g. to cycle) to end the run early
    uint64_t irqAt;         // the cycle the IRQ input went active (0: long ago)
    uint8_t irq;            // level of the IRQ input (non-zero: asserted)
    uint8_t overflowPin;    // set by the owner: a falling SO edge; the core sets V at its
                            // next instruction boundary and clears this (6502 SO pin)
    uint8_t jammed;         // a JAM opcode stopped it; only a reset restarts it
    uint8_t flagIBefore;    // I before the last CLI, SEI or PLP (the NMOS interrupt look)
    uint8_t operandLatch;   // the last operand of ADC/SBC/BIT, a pulled status, a branch offset
};

// The interrupt and reset sequences take 7 cycles each.
constexpr unsigned CoreSequenceCycles = 7;

namespace core_detail {

template <typename Bus>
constexpr bool HasTrap = requires { Bus::Trap(uint16_t{}, uint64_t{}); };

template <typename Bus>
constexpr bool WatchesPins()
{
    if constexpr (requires { Bus::Pins; })
        return Bus::Pins;
    else
        return false;
}

// Field by field: a block copy into the locals would keep the compiler from
// giving each register a machine register of its own.
[[gnu::always_inline]] inline CoreState LoadState(const CpuCore& core)
{
    const CpuRegisters& r = core.regs;
    return CoreState{r.PC,    r.AC,    r.XR,    r.YR,    r.SP,   r.FlagN,           r.FlagV,          r.FlagB,
                     r.FlagD, r.FlagI, r.FlagZ, r.FlagC, core.operandLatch, core.flagIBefore, 0,    core.cycle,
                     0,       0,      0};
}

[[gnu::always_inline]] inline void StoreState(CpuCore& core, const CoreState& s)
{
    core.regs = CpuRegisters{s.PC,    s.AC,    s.XR,    s.YR,    s.SP,   s.FlagN,
                             s.FlagV, s.FlagB, s.FlagD, s.FlagI, s.FlagZ, s.FlagC, 0};
    core.operandLatch = s.latch;
    core.flagIBefore = s.flagIBefore;
    core.jammed = s.jammed;
    core.cycle = s.cycle;
}

// The NMOS look at the IRQ input for the instruction that just ended (opcode,
// `took` cycles): at the start of its last cycle, or for a taken branch that
// stays in its page at the start of the one before.  CLI, SEI and PLP change
// I after the look, RTI before it.  The input is seen when it went active
// before the cycle of the look began.
[[gnu::always_inline]] inline bool IrqSeen(const CpuCore& core, const CoreState& s, uint8_t opcode, uint64_t took)
{
    const bool iClear = (opcode == 0x58 || opcode == 0x78 || opcode == 0x28) ? !s.flagIBefore : !s.FlagI;
    if (!iClear)
        return false;
    const uint64_t back = ((opcode & 0x1F) == 0x10 && took == 3) ? 2 : 1;
    return core.irqAt + back < s.cycle;
}

// The interrupt sequence: PC and the status byte pushed, I set, PC from 0xFFFE.
template <typename Bus, bool Nmos>
[[gnu::always_inline]] inline void EnterIrq(CoreState& s)
{
    PushWord<Bus>(s, s.PC, 2);
    PushByte<Bus>(s, StatusInterruptOf<Nmos>(s), 4);
    s.FlagI = 1;
    s.PC = ReadWord<Bus, Nmos>(s, 0xFFFE, 5);
    s.cycle += CoreSequenceCycles;
}

// Moves the code window to the page under PC.  Whether the instruction at
// PC may run in it: the page has a pointer, and the instruction's three
// bytes lie in it or run on into a next page that follows on in memory.
template <typename Bus>
[[gnu::noinline]] bool OpenCodeWindow(CoreState& s)
{
    const unsigned page = s.PC >> 8;
    const uint8_t* code = Bus::CodePage(page);
    s.codeBase = static_cast<uint16_t>(page << 8);
    if (!code) {
        s.codeSpan = 0;
        return false;
    }
    s.codeOrigin = reinterpret_cast<uintptr_t>(code) - s.codeBase;
    const uint8_t* next = page < 0xFF ? Bus::CodePage(page + 1) : nullptr;
    s.codeSpan = next == code + 0x100 ? 0x100 : 0xFE;
    return (s.PC & 0xFF) < s.codeSpan;
}

template <typename Bus>
[[gnu::always_inline]] inline bool InCodeWindow(CoreState& s)
{
    if (static_cast<uint16_t>(s.PC - s.codeBase) < s.codeSpan) [[likely]]
        return true;
    return OpenCodeWindow<Bus>(s);
}

}  // namespace core_detail

#define RAVLIN_CORE_CASE(B, n) \
    case n: go = core_detail::Execute<n, Nmos, B>(s); break;
#define RAVLIN_CORE_CASES4(B, n) \
    RAVLIN_CORE_CASE(B, n) RAVLIN_CORE_CASE(B, n + 1) RAVLIN_CORE_CASE(B, n + 2) RAVLIN_CORE_CASE(B, n + 3)
#define RAVLIN_CORE_CASES16(B, n) \
    RAVLIN_CORE_CASES4(B, n) RAVLIN_CORE_CASES4(B, n + 4) RAVLIN_CORE_CASES4(B, n + 8) RAVLIN_CORE_CASES4(B, n + 12)
#define RAVLIN_CORE_CASES64(B, n) \
    RAVLIN_CORE_CASES16(B, n) RAVLIN_CORE_CASES16(B, n + 16) RAVLIN_CORE_CASES16(B, n + 32) \
    RAVLIN_CORE_CASES16(B, n + 48)
#define RAVLIN_CORE_SWITCH(B, opcode)  \
    switch (opcode) {                  \
        RAVLIN_CORE_CASES64(B, 0x00)   \
        RAVLIN_CORE_CASES64(B, 0x40)   \
        RAVLIN_CORE_CASES64(B, 0x80)   \
        RAVLIN_CORE_CASES64(B, 0xC0)   \
    }

// Runs instructions until the first instruction end with core.cycle >=
// core.stopAt (at least one instruction; with Pins, an interrupt taken at
// that end runs its sequence first), a jam, the older model's do-nothing
// opcodes, or a trap.  The registers live in locals meanwhile:
// core.regs is up to date only when Run has returned.  A jammed core lets
// the time pass (in steps of 2 cycles, the jam's own) and executes nothing.
template <typename Bus, bool Nmos>
void Run(CpuCore& core)
{
    using namespace core_detail;
    if (core.jammed) {
        do
            core.cycle += 2;
        while (core.cycle < core.stopAt);
        return;
    }
    CoreState s = LoadState(core);
    for (;;) {
        if constexpr (HasTrap<Bus>) {
            if (Bus::Trap(s.PC, s.cycle))
                break;
        }
        const uint64_t start = s.cycle;
        uint8_t opcode;
        bool go = true;
        if constexpr (HasCodeWindow<Bus, CoreState>) {
            if (InCodeWindow<Bus>(s)) [[likely]] {
                opcode = CodeAt(s, s.PC);
                RAVLIN_CORE_SWITCH(Bus, opcode)
            } else {
                opcode = Bus::Read(s.PC, start);
                RAVLIN_CORE_SWITCH(CodeThroughRead<Bus>, opcode)
            }
        } else {
            opcode = Bus::Read(s.PC, start);
            RAVLIN_CORE_SWITCH(Bus, opcode)
        }
        if (!go)
            break;
        if constexpr (WatchesPins<Bus>()) {
            if (core.overflowPin) [[unlikely]] {
                core.overflowPin = 0;
                s.FlagV = 1;
            }
            const bool seen = core.irq && IrqSeen(core, s, opcode, s.cycle - start);
            s.flagIBefore = s.FlagI;
            if (seen) [[unlikely]]
                EnterIrq<Bus, Nmos>(s);
        }
        if (s.cycle >= core.stopAt)
            break;
    }
    StoreState(core, s);
}

// One instruction, with the registers left where they are: for an owner
// that steps its processor an instruction at a time (the machine's passes
// and the debugger), where moving the registers in and out of locals would
// cost more than it saves.  No trap, no pins; a jam sets core.jammed.
struct CoreInPlace {
    uint16_t& PC;
    uint8_t& AC;
    uint8_t& XR;
    uint8_t& YR;
    uint8_t& SP;
    uint8_t& FlagN;
    uint8_t& FlagV;
    uint8_t& FlagB;
    uint8_t& FlagD;
    uint8_t& FlagI;
    uint8_t& FlagZ;
    uint8_t& FlagC;
    uint8_t& latch;
    uint8_t& flagIBefore;
    uint8_t& jammed;
    uint64_t& cycle;
};

namespace core_detail {

template <std::size_t Opcode, bool Nmos, typename Bus>
void StepOpcode(CpuCore& core)
{
    CpuRegisters& r = core.regs;
    CoreInPlace s{r.PC,    r.AC,    r.XR,    r.YR,    r.SP,   r.FlagN,           r.FlagV,          r.FlagB,
                  r.FlagD, r.FlagI, r.FlagZ, r.FlagC, core.operandLatch, core.flagIBefore, core.jammed, core.cycle};
    Execute<Opcode, Nmos, Bus>(s);
}

using StepHandler = void (*)(CpuCore&);

template <typename Bus, bool Nmos, std::size_t... Opcodes>
constexpr std::array<StepHandler, 256> MakeStepHandlers(std::index_sequence<Opcodes...>)
{
    return {&StepOpcode<Opcodes, Nmos, Bus>...};
}

template <typename Bus, bool Nmos>
inline constexpr std::array<StepHandler, 256> StepHandlers = MakeStepHandlers<Bus, Nmos>(std::make_index_sequence<256>{});

}  // namespace core_detail

// One small function per opcode, chosen by the opcode: the registers stay in
// the core.
template <typename Bus, bool Nmos>
[[gnu::always_inline]] inline void Step(CpuCore& core)
{
    core_detail::StepHandlers<Bus, Nmos>[Bus::Read(core.regs.PC, core.cycle)](core);
}

#undef RAVLIN_CORE_CASE
#undef RAVLIN_CORE_CASES4
#undef RAVLIN_CORE_CASES16
#undef RAVLIN_CORE_CASES64
#undef RAVLIN_CORE_SWITCH

// The reset sequence, 7 cycles: the stack pointer moves down by three
// without writing (the pushes are reads on the chip), I is set, PC comes from
// 0xFFFC, and a jam is over.
template <typename Bus>
void ResetCore(CpuCore& core)
{
    core.regs.SP = static_cast<uint8_t>(core.regs.SP - 3);
    core.regs.FlagI = 1;
    const uint8_t low = Bus::Read(0xFFFC, core.cycle + 5);
    const uint8_t high = Bus::Read(0xFFFD, core.cycle + 6);
    core.regs.PC = static_cast<uint16_t>(low | (high << 8));
    core.flagIBefore = 1;
    core.jammed = 0;
    core.cycle += CoreSequenceCycles;
}
