#include "machine/interrupt_poll.h"

#include "cpu/cpu.h"
#include "machine/machine_bus.h"
#include "machine/machine_state.h"
#include "ted/irq_line.h"
#include "ted/memory_map.h"
#include "ted/steps_inline.h"

uint16_t LastInstructionAddress = 0;

namespace {

bool InterruptSeen()
{
    // The opcode is read again here, off the common path; reading has no
    // side effects outside an instruction.
    const InterruptPoll poll = PollOfInstruction(ReadByte(LastInstructionAddress));
    if (!poll.allowed)
        return false;
    return IrqLineActiveAt(UnitsOfCycleBefore(poll.cyclesBeforeEnd));
}

void RunSequence(void (*sequence)(), bool deferred)
{
    sequence();
    MachineCpu.cycle += InterruptSequenceCycles;   // the processor's clock counts them too
    MeasuredAdvance(InterruptSequenceCycles, deferred);
    LastCycle = static_cast<uint16_t>(LastCycle + InterruptSequenceCycles);
}

}  // namespace

void PollInterrupts(bool deferred)
{
    // A write outside the registers' own path (a reset, a snapshot) may have
    // changed the requests or enables: seen from now on.
    IrqLineChanged(TedUnitsNow());
    if (Ted.ResetRequest) {
        Ted.ResetRequest = 0;
        Ted.RasterIrqDue = 0;
        RunSequence(ResetSequence, deferred);
    } else if (InterruptSeen()) {
        RunSequence(EnterInterruptSequence, deferred);
    }
    Ted.InterruptWatch = Ted.IrqLine || Ted.ResetRequest;
    FlagIBefore = Cpu.FlagI;   // the last instruction's look is done
}
