#include "machine/event_run.h"

#include "machine/interrupt_poll.h"
#include "machine/machine_bus.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "platform/start_file.h"
#include "tape/datassette.h"
#include "ted/page_maps.h"
#include "ted/render_inline.h"
#include "ted/steps_inline.h"
#include "ted/video_watch.h"

namespace {

const uint8_t* const* ReadMap;   // for the run: the ROM windows do not change during it
uint64_t InstructionStart;   // the cycle the instruction being run began on
uint64_t TedAt;              // the instruction start the TED has been stepped to
bool Running;
// The instructions the run may start before the message pump's turn
// (PumpCounter over 256), counted down by the trap; negative once the trap
// has met the turn.
int32_t TrapsLeft;

// The TED over the instructions from TedAt up to start, as the passes
// after each of them would have stepped it.  No event lies in between, so
// one step does the work of many.
void CatchUpTo(uint64_t start)
{
    if (start == TedAt)
        return;
    LastCycle = static_cast<uint16_t>(start - TedAt);
    Ted.InInstruction = 0;
    MeasuredStep(true);
    RenderStepInline<true>();
    Ted.InInstruction = 1;
    TedAt = start;
}

// An access that needs the TED: it is brought to the instruction's start,
// follows the access to its cycle from there (CatchUpToAccess), and the run
// ends with this instruction, for the access may have moved the next event.
void SyncForAccess()
{
    CatchUpTo(InstructionStart);
    MachineCpu.stopAt = 0;
}

unsigned Within(uint64_t cycle) { return static_cast<unsigned>(cycle - InstructionStart); }

// Every page without a pointer in the read map.  Page 0 and the ROM or RAM
// from 0xFF40 up need no TED; the processor port, the I/O pages and the
// TED's registers do.
uint8_t ReadOther(uint16_t address, uint64_t cycle)
{
    if ((address >= 0x0002 && address < 0x0100) || address >= 0xFF40)
        return ReadDecoded(address);
    CatchUpTo(InstructionStart);
    const uint8_t value = ReadDecodedAt(address, Within(cycle));
    // The TED's registers from 0xFF06 up and the keyboard column latch
    // read without side effects and cannot move the next event: the run
    // goes on, the TED stepped to the access (Ted.CyclesAccounted).  The
    // timers, the processor port, the I/O chips and the drive's port end it.
    const bool plain = (address >= 0xFF06 && address < 0xFF20) || (address >= 0xFD30 && address < 0xFD40);
    if (!plain)
        MachineCpu.stopAt = 0;
    return value;
}

void WriteOther(uint16_t address, uint8_t value, uint64_t cycle)
{
    SyncForAccess();
    WriteDecodedAt(address, value, Within(cycle));
}

// A write to a watched page: the picture the TED has shown up to the
// instruction is drawn before it changes.  The pages the picture reads are
// marked as the RAM holds them (on the C16 with 16 KiB every page is
// watched for its repeats, and 0x4C00 is 0x0C00).
void WriteWatched(uint16_t address, uint8_t value)
{
    if (Ted.Watch.page[RamAddress(address) >> 8] & WatchVideo)
        CatchUpTo(InstructionStart);
    WriteWatchedRam(address, value);
}

// MaskedIrq: the TED's interrupt line is active while I is set, so the
// instruction that may clear I (CLI, PLP, RTI) must be the run's last, for
// the interrupt check after it to look.
template <bool MaskedIrq>
struct EventBus {
    // Before each instruction: the message pump's turn ends the run where
    // a pass would pump.
    static bool Trap(uint16_t pc, uint64_t cycle)
    {
        if (--TrapsLeft < 0) [[unlikely]]
            return true;
        LastInstructionAddress = pc;
        InstructionStart = cycle;
        if constexpr (MaskedIrq) {
            const uint8_t opcode = Read(pc, cycle);
            if (opcode == 0x58 || opcode == 0x28 || opcode == 0x40)
                MachineCpu.stopAt = 0;
        }
        return false;
    }

    // The map holds for the whole run: a write that changes it (0xFF3E,
    // 0xFF3F, the banks) ends the run.  Page 0 has no pointer.
    static const uint8_t* CodePage(unsigned page) { return ReadMap[page]; }

    [[gnu::always_inline]] static uint8_t Read(uint16_t address, uint64_t cycle)
    {
        if (const uint8_t* page = ReadMap[address >> 8]) [[likely]]
            return page[address & 0xFF];
        if (address >= 0x0002 && address < 0x0100)
            return Ram64[address];   // page 0 but the processor port
        return ReadOther(address, cycle);
    }

    // Page 0 is RAM but for the processor port; page 1 is RAM on every
    // model (the C16's 16 KiB hold it where Ram64 does).
    [[gnu::always_inline]] static uint8_t ReadZeroPage(uint8_t address, uint64_t cycle)
    {
        if (address >= 0x0002) [[likely]]
            return Ram64[address];
        return ReadOther(address, cycle);
    }

    [[gnu::always_inline]] static uint8_t ReadStack(uint8_t sp, uint64_t) { return Ram64[0x0100 | sp]; }

    [[gnu::always_inline]] static void Write(uint16_t address, uint8_t value, uint64_t cycle)
    {
        if (static_cast<uint16_t>(address - 2) < 0xFCFE) [[likely]] {
            if (Ted.Watch.page[address >> 8]) [[unlikely]]
                WriteWatched(address, value);
            Ram64[address] = value;
            return;
        }
        WriteOther(address, value, cycle);
    }

    // Plain RAM sees only the result.
    [[gnu::always_inline]] static void WriteModified(uint16_t address, uint8_t unmodified, uint8_t result,
                                                     uint64_t cycle)
    {
        if (static_cast<uint16_t>(address - 2) < 0xFCFE) [[likely]] {
            Write(address, result, cycle + 1);
            return;
        }
        SyncForAccess();
        WriteDecodedAt(address, unmodified, Within(cycle));
        WriteDecodedAt(address, result, Within(cycle + 1));
    }
};

}  // namespace

bool CanRunToNextEvent()
{
    // With the interrupt line active or a request changed, the check after
    // each instruction does nothing while I is set and was set before.
    const bool quiet = !Ted.InterruptWatch || (Cpu.FlagI && FlagIBefore && !Ted.ResetRequest);
    return quiet && !TapeMoving && BreakpointEnabled != 1 && !StartFileWaiting &&
           Ted.LineCounter != 0 && !Ted.PictureHeld;
}

void RunToNextEvent()
{
    const unsigned budget = MeasuredCyclesToNextEvent();
    ReadMap = CurrentReadMap();
    TedAt = MachineCpu.cycle;
    InstructionStart = MachineCpu.cycle;
    MachineCpu.stopAt = MachineCpu.cycle + budget;
    MachineCpu.jammed = 0;   // the machine's jam is its opcode run again
    // The pass counted the first instruction; the trap counts each.
    TrapsLeft = 257 - static_cast<int32_t>(PumpCounter - 1);
    Ted.InInstruction = 1;
    Running = true;
    if (Ted.InterruptWatch)
        Run<EventBus<true>, true>(MachineCpu);
    else
        Run<EventBus<false>, true>(MachineCpu);
    PumpCounter = static_cast<uint32_t>(257 - (TrapsLeft > 0 ? TrapsLeft : 0));
    CatchUpTo(InstructionStart);
    Running = false;
    // The last instruction as a pass steps it.
    LastCycle = static_cast<uint16_t>(MachineCpu.cycle - InstructionStart);
    Ted.InInstruction = 0;
    MeasuredStep(true);
    if (Ted.InterruptWatch) [[unlikely]]
        PollUnmaskedInterrupts(true);
}

bool TedInStep() { return !Running || TedAt == InstructionStart; }
