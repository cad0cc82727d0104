// The 1541's processor: our processor core (the NMOS chip) over the drive's
// own bus, and the interleave with the machine.
//
// Exactness.  The drive runs only when the machine needs it to (an access
// to the serial lines, or once a frame) and then up to the machine's time:
// its accesses to VIA1 (the chip on the serial bus) before that cycle all
// happen, none at or after it.  An instruction can't be stopped half-way,
// so the last few cycles before the limit run one instruction at a time:
// an instruction that would touch VIA1 at or past the limit is undone (the
// processor's registers put back; a RAM write it made is made again, the
// same, when it runs for real) and waits for the machine's next step.  So
// each side sees the other's lines as they are at the cycle of its own
// access, to the drive's microsecond.
//
// Time on the board (the VIAs' timers, the disk) follows the processor:
// it is brought up to an access's cycle before the access, and whenever
// the next event (a timer's interrupt, a byte under the head) falls due;
// the IRQ line and the SO pin are set at the event's own cycle.
//
// Idle.  The DOS waits for the bus in a loop that, once settled, goes round
// and round without changing anything.  When the processor comes back to
// the same place with the same registers and the same RAM, having changed
// no chip register and read nothing that changes with time (a timer, the
// interrupt flags, the disk while the motor runs), the rounds until the
// next event are all the same: they are counted, not run.
#include "drive/hardware_drive_run.h"

#include <cstring>

#include "cpu/core.h"

namespace {

constexpr uint64_t Never = UINT64_MAX;
// The longest instruction (an undocumented read-modify-write through an
// indirect address) takes 8 cycles.
constexpr uint64_t LongestInstruction = 8;
// Tries at finding the idle loop from one place before trying another.
constexpr int ProbeTries = 6;
constexpr uint64_t ProbeMoveCycles = 313;
// A watched place not come back to within this many cycles is dropped.
constexpr uint64_t ProbeSliceCycles = 4096;

// A VIA's registers as an access may change them; the timers' counters are
// left out, as they change with time anyway.
struct ViaRegisters {
    uint8_t ora, orb, ddra, ddrb, acr, pcr, ifr, ier, shift, t2LatchLow;
    uint16_t t1Latch;
    bool operator==(const ViaRegisters&) const = default;
};
// Flags the interrupt enable lets through only: the others change nothing
// unless read (a read of the flags counts as a change anyway).
ViaRegisters RegistersOf(const Via6522& via)
{
    return {via.ora, via.orb, via.ddra, via.ddrb, via.acr, via.pcr, static_cast<uint8_t>(via.ifr & via.ier),
            via.ier, via.shift, via.t2LatchLow, via.t1Latch};
}

struct DriveRunState {
    Drive1541* board = nullptr;
    const uint8_t* rom = nullptr;
    CpuCore core{};
    uint64_t boardCycle = 0;     // the board's chips and disk have run to here
    uint64_t nextEvent = 0;      // the board's next event, in processor cycles
    // The interleave's limits: Trap stops the run before an instruction
    // from here on; a VIA1 access at or past accessLimit is refused.
    uint64_t carefulFrom = Never;
    uint64_t accessLimit = Never;
    bool refused = false;
    bool overflowRaised = false;
    uint64_t lastLimit = 0;
    uint64_t skipped = 0;        // idle cycles counted, not run
    // The idle loop's probe.
    uint32_t watchPc = 0x10000;   // none
    uint64_t moveUntil = 0;       // no place watched before this cycle
    uint64_t resumedAt = Never;
    bool watchHit = false;
    bool probeValid = false;
    bool changed = false;
    int misses = 0;
    uint64_t moves = 0;
    CpuCore probe{};
    ViaRegisters probeVia1{}, probeVia2{};
    uint64_t fixedRound = 0;      // the length of the idle round found at the probe, or 0
    int32_t goodPc = -1;          // a place where idle rounds were found, or -1
    int32_t abandonedPc = -1;     // the place last given up on
    // The RAM bytes written since the probe, each with the value it had
    // then (the first write of each address in a round is noted).
    uint32_t round = 1;
    uint32_t writtenInRound[0x800] = {};
    uint16_t written[128] = {};
    uint8_t writtenOld[128] = {};
    int writtenCount = 0;
    bool writtenOverflow = false;
};

DriveRunState R;

inline void NoteRamWrite(uint16_t address)
{
    if (R.writtenInRound[address] == R.round)
        return;
    R.writtenInRound[address] = R.round;
    if (R.writtenCount == static_cast<int>(sizeof R.written / sizeof R.written[0])) {
        R.writtenOverflow = true;
        return;
    }
    R.written[R.writtenCount] = address;
    R.writtenOld[R.writtenCount++] = R.board->ram[address];
}

// Whether RAM holds what it held at the probe, but for the free part of
// the stack below the stack pointer (what an interrupt pushed and pulled
// again, which nothing reads before pushing anew).
bool RamAsAtProbe()
{
    const uint16_t freeStackEnd = static_cast<uint16_t>(0x100 + R.core.regs.SP);
    bool same = !R.writtenOverflow;
    for (int i = 0; same && i < R.writtenCount; i++)
        same = R.board->ram[R.written[i]] == R.writtenOld[i] || (R.written[i] >= 0x100 && R.written[i] <= freeStackEnd);
    return same;
}

void StartRound()
{
    R.round++;
    R.writtenCount = 0;
    R.writtenOverflow = false;
}

void SetPins(uint64_t at)
{
    Drive1541& board = *R.board;
    if (board.overflowPending) {
        board.overflowPending = false;
        R.core.overflowPin = 1;
        R.overflowRaised = true;
    }
    if (Drive1541Irq(board)) {
        if (!R.core.irq) {
            R.core.irq = 1;
            R.core.irqAt = at;
        }
    } else {
        R.core.irq = 0;
    }
}

void WorkOutNextEvent()
{
    const uint32_t due = Drive1541CyclesToEvent(*R.board);
    R.nextEvent = R.boardCycle + (due == 0 ? 1 : due);
}

// The board up to the cycle, through every event on the way.
[[gnu::noinline]] void BoardTo(uint64_t cycle)
{
    Drive1541& board = *R.board;
    while (R.boardCycle < cycle) {
        const uint64_t to = R.nextEvent < cycle ? R.nextEvent : cycle;
        Drive1541Advance(board, static_cast<uint32_t>(to - R.boardCycle));
        R.boardCycle = to;
        SetPins(to);
        if (to == R.nextEvent)
            WorkOutNextEvent();
    }
}

inline bool IsVia1(uint16_t address) { return (address & 0x9C00) == 0x1800; }

// Registers whose value depends on the time: the timers and the flags.
inline bool TimedRegister(uint8_t reg) { return reg == 4 || reg == 5 || reg == 8 || reg == 9 || reg == 13; }

[[gnu::noinline]] uint8_t ReadChip(uint16_t address, uint64_t cycle)
{
    Drive1541& board = *R.board;
    BoardTo(cycle);
    Via6522& via = (address & 0x0400) ? board.via2 : board.via1;
    const uint8_t reg = address & 0x0F;
    const ViaRegisters before = RegistersOf(via);
    const uint8_t value = ViaRead(via, reg);
    if (TimedRegister(reg) || board.head.motorOn || !(RegistersOf(via) == before))
        R.changed = true;
    SetPins(cycle);
    WorkOutNextEvent();
    return value;
}

[[gnu::noinline]] void WriteChip(uint16_t address, uint8_t value, uint64_t cycle)
{
    Drive1541& board = *R.board;
    BoardTo(cycle);
    Via6522& via = (address & 0x0400) ? board.via2 : board.via1;
    const uint8_t reg = address & 0x0F;
    const ViaRegisters before = RegistersOf(via);
    ViaWrite(via, reg, value);
    if ((reg >= 4 && reg <= 9) || !(RegistersOf(via) == before))
        R.changed = true;
    SetPins(cycle);
    WorkOutNextEvent();
}

struct DriveBus {
    static constexpr bool Pins = true;

    [[gnu::always_inline]] static uint8_t Read(uint16_t address, uint64_t cycle)
    {
        if (cycle >= R.nextEvent) [[unlikely]]
            BoardTo(cycle);
        if (address & 0x8000)
            return R.rom[address & 0x3FFF];
        if ((address & 0x1800) == 0)
            return R.board->ram[address & 0x07FF];
        if ((address & 0x1800) != 0x1800)
            return static_cast<uint8_t>(address >> 8);   // nothing answers
        if (IsVia1(address) && cycle >= R.accessLimit) [[unlikely]] {
            R.refused = true;
            R.core.stopAt = 0;
            return 0xFF;
        }
        return ReadChip(address, cycle);
    }

    [[gnu::always_inline]] static void Write(uint16_t address, uint8_t value, uint64_t cycle)
    {
        if (cycle >= R.nextEvent) [[unlikely]]
            BoardTo(cycle);
        if (address & 0x8000)
            return;
        if ((address & 0x1800) == 0) {
            NoteRamWrite(address & 0x07FF);
            R.board->ram[address & 0x07FF] = value;
            return;
        }
        if ((address & 0x1800) != 0x1800)
            return;
        if (IsVia1(address) && cycle >= R.accessLimit) [[unlikely]] {
            R.refused = true;
            R.core.stopAt = 0;
            return;
        }
        WriteChip(address, value, cycle);
    }

    [[gnu::always_inline]] static bool Trap(uint16_t pc, uint64_t cycle)
    {
        if (cycle >= R.carefulFrom)
            return true;
        if (pc == R.watchPc && cycle != R.resumedAt && R.carefulFrom != Never) {
            R.watchHit = true;
            return true;
        }
        return false;
    }
};

bool SameState(const CpuCore& a, const CpuCore& b)
{
    const CpuRegisters& x = a.regs;
    const CpuRegisters& y = b.regs;
    return x.PC == y.PC && x.AC == y.AC && x.XR == y.XR && x.YR == y.YR && x.SP == y.SP && x.FlagN == y.FlagN &&
           x.FlagV == y.FlagV && x.FlagB == y.FlagB && x.FlagD == y.FlagD && x.FlagI == y.FlagI && x.FlagZ == y.FlagZ &&
           x.FlagC == y.FlagC && a.flagIBefore == b.flagIBefore && a.operandLatch == b.operandLatch;
}

// The processor stopped before the watched instruction: the same state as
// last time, with nothing changed since, is a round of the idle loop.
void SkipRounds(uint64_t round, uint64_t until)
{
    CpuCore& core = R.core;
    const uint64_t horizon = R.nextEvent < until ? R.nextEvent : until;
    if (round > 0 && core.cycle + round <= horizon) {
        const uint64_t skipped = (horizon - core.cycle) / round * round;
        core.cycle += skipped;
        R.skipped += skipped;
    }
}

void AtWatchedPlace(uint64_t until)
{
    CpuCore& core = R.core;
    const bool still = !core.irq && !core.overflowPin && !R.board->head.motorOn;
    const bool same = still && R.probeValid && SameState(core, R.probe) && RamAsAtProbe() &&
                      RegistersOf(R.board->via1) == R.probeVia1 && RegistersOf(R.board->via2) == R.probeVia2;
    if (same && !R.changed) {
        // A round that changed nothing: the rounds after it are alike.
        R.fixedRound = core.cycle - R.probe.cycle;
        SkipRounds(R.fixedRound, until);
        R.misses = 0;
        R.goodPc = static_cast<int32_t>(R.watchPc);
    } else if (same && R.fixedRound) {
        // Back at the state idle rounds were found in, after something in
        // between (an interrupt) that left everything as it was: the same
        // rounds follow.
        SkipRounds(R.fixedRound, until);
        R.misses = 0;
    } else if (!still && R.fixedRound) {
        // An interrupt about to be taken: the probe (and what was written
        // since it) stays, for the state after the interrupt.
        R.resumedAt = core.cycle;
        return;
    } else {
        R.fixedRound = 0;
        if (++R.misses > ProbeTries) {
            // Not a loop from here: look again from elsewhere, a while on.
            R.abandonedPc = static_cast<int32_t>(R.watchPc);
            R.watchPc = 0x10000;
            R.moveUntil = core.cycle + ProbeMoveCycles + (++R.moves % 7) * 41;
            R.misses = 0;
        }
        R.probe = core;
        R.probeVia1 = RegistersOf(R.board->via1);
        R.probeVia2 = RegistersOf(R.board->via2);
        R.probeValid = true;
    }
    R.probe.cycle = core.cycle;
    StartRound();
    R.changed = false;
    R.resumedAt = core.cycle;
}

// Whole instructions up to `until`, idle rounds counted.
void RunFreely(uint64_t until)
{
    CpuCore& core = R.core;
    R.carefulFrom = until;
    while (core.cycle < until) {
        uint64_t stop = core.cycle + ProbeSliceCycles < until ? core.cycle + ProbeSliceCycles : until;
        if (R.watchPc > 0xFFFF) {
            if (core.cycle < R.moveUntil) {
                stop = R.moveUntil < until ? R.moveUntil : until;
            } else {
                // The place where idle rounds were found before, unless it
                // was just given up on; else the place the processor is at.
                const bool good = R.goodPc >= 0 && R.goodPc != R.abandonedPc;
                R.watchPc = good ? static_cast<uint32_t>(R.goodPc) : core.regs.PC;
                R.abandonedPc = -1;
                R.resumedAt = core.cycle;
                R.probeValid = false;
                R.fixedRound = 0;
                R.misses = 0;
            }
        }
        const bool wholeSlice = stop - core.cycle >= ProbeSliceCycles;
        core.stopAt = stop;
        R.watchHit = false;
        Run<DriveBus, true>(core);
        if (R.watchHit)
            AtWatchedPlace(until);
        else if (R.watchPc <= 0xFFFF && wholeSlice)
            R.watchPc = 0x10000;   // not come back to for a while: watch elsewhere
        if (core.jammed && core.cycle < until)
            core.cycle = until;
    }
    R.carefulFrom = Never;
}

// Single instructions up to the limit; one that would touch VIA1 at or
// past it is undone.
void RunCarefully(uint64_t limit)
{
    CpuCore& core = R.core;
    while (core.cycle < limit) {
        const CpuCore saved = core;
        R.refused = false;
        R.overflowRaised = false;
        R.accessLimit = limit;
        core.stopAt = core.cycle + 1;
        Run<DriveBus, true>(core);
        R.accessLimit = Never;
        if (!R.refused)
            continue;
        // The pins keep what the board did meanwhile.
        const uint8_t irq = core.irq;
        const uint64_t irqAt = core.irqAt;
        const uint8_t overflow = static_cast<uint8_t>(saved.overflowPin | (R.overflowRaised ? core.overflowPin : 0));
        core = saved;
        core.irq = irq;
        core.irqAt = irqAt;
        core.overflowPin = overflow;
        R.changed = true;
        break;
    }
}

}  // namespace

void DriveProcessorReset(Drive1541& board)
{
    R.board = &board;
    R.rom = board.rom.data();
    BoardTo(R.core.cycle);
    ResetCore<DriveBus>(R.core);
    R.core.irq = 0;
    R.core.overflowPin = 0;
    SetPins(R.core.cycle);
    WorkOutNextEvent();
    R.watchPc = 0x10000;
    R.probeValid = false;
    R.fixedRound = 0;
}

void DriveProcessorRunTo(Drive1541& board, uint64_t limit)
{
    if (board.rom.size() != Dos1541RomBytes)
        return;
    if (R.board != &board || R.rom != board.rom.data()) {
        R.board = &board;
        R.rom = board.rom.data();
        WorkOutNextEvent();
    }
    R.lastLimit = limit;
    if (R.core.cycle + LongestInstruction < limit)
        RunFreely(limit - LongestInstruction);
    RunCarefully(limit);
}

uint64_t DriveProcessorCycles() { return R.core.cycle; }

void ResetDriveProcessorState() { R = DriveRunState{}; }
uint64_t DriveProcessorIdleCycles() { return R.skipped; }

void DriveProcessorLinesChanged(Drive1541& board)
{
    if (R.board != &board)
        return;
    // The machine moved a line during the cycle before the limit the drive
    // was last run up to.
    SetPins(R.lastLimit > 0 ? R.lastLimit - 1 : 0);
    WorkOutNextEvent();
    R.changed = true;
}
