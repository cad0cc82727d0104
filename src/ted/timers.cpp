// The TED's three down-counting timers and the interrupt logic.
#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "ted/irq_line.h"
#include "ted/steps_inline.h"
#include "ted/ted_names.h"

namespace {
constexpr uint16_t IrqRequestRegister = ted::IrqRequest;

// The measured model: when the earliest of the enabled timers that ran out
// passed below zero.  The ticks fall on slot starts, the last one at the
// start of the TED's current slot, and a counter that stands at -m passed
// below zero m - 1 ticks ago.
uint64_t EarliestRunOut()
{
    const uint64_t lastTick = TedUnitsNow() & ~uint64_t{3};
    const uint8_t enabled = Ram64[ted::IrqEnable];
    int32_t deepest = -1;
    if ((enabled & ted::IrqTimer1) && Ted.Timer1Counter < deepest)
        deepest = Ted.Timer1Counter;
    if ((enabled & ted::IrqTimer2) && Ted.Timer2Counter < deepest)
        deepest = Ted.Timer2Counter;
    if ((enabled & ted::IrqTimer3) && Ted.Timer3Counter < deepest)
        deepest = Ted.Timer3Counter;
    const uint64_t back = 4 * static_cast<uint64_t>(-1 - deepest);
    return lastTick > back ? lastTick - back : 0;
}
}  // namespace

// The timers that ran out raise their requests and start again.
void TimersRanOut()
{
    BeforeVideoWrite(IrqRequestRegister);
    Ted.InterruptWatch = 1;
    const bool measured = Ted.ModelInUse == 1;
    const uint64_t runOut = measured ? EarliestRunOut() : 0;
    uint8_t& request = Ram64[IrqRequestRegister];
    if (Ted.Timer1Counter < 0) {
        // Only at the single clock does the overshoot carry into the reload;
        // the measured model counts single clocks always.
        if (Ted.SingleClock || Ted.ModelInUse == 1) {
            Ted.Timer1Counter += Ted.Timer1Latch;
            // A latch smaller than the steps leaves the count below zero,
            // falling further each step.  Keep it within one 64 KiB turn
            // (its low 16 bits, which the registers show, stay the same)
            // so that it can never overflow.
            if (Ted.Timer1Counter < -0x10000)
                Ted.Timer1Counter += 0x10000;
        } else {
            Ted.Timer1Counter = Ted.Timer1Latch;
        }
        request |= ted::IrqTimer1;
    }
    if (Ted.Timer2Counter < 0) {
        Ted.Timer2Counter = 0xFFFF;   // timers 2 and 3 run on freely
        request |= ted::IrqTimer2;
    }
    if (Ted.Timer3Counter < 0) {
        Ted.Timer3Counter = 0xFFFF;
        request |= ted::IrqTimer3;
    }
    if (measured)
        IrqLineChanged(runOut);
}

void TimerStep() { TimerStepInline(); }

namespace {

// Ticks until the first running timer passes below zero; none when a
// counter already is below zero (the step must look at once).  At most one
// 64 KiB turn, so the owed count never grows large.
void WorkOutTimerBudget()
{
    int32_t budget = 0x10000;
    if (Ted.Timer1Running && Ted.Timer1Counter + 1 < budget)
        budget = Ted.Timer1Counter + 1;
    if (Ted.Timer2Running && Ted.Timer2Counter + 1 < budget)
        budget = Ted.Timer2Counter + 1;
    if (Ted.Timer3Running && Ted.Timer3Counter + 1 < budget)
        budget = Ted.Timer3Counter + 1;
    if ((Ted.Timer1Counter | Ted.Timer2Counter | Ted.Timer3Counter) < 0)
        budget = 0;
    Ted.TimerBudget = budget;
}

void ApplyOwedTicks()
{
    const int32_t owed = Ted.TimerTicksOwed;
    Ted.TimerTicksOwed = 0;
    Ted.Timer1Counter -= Ted.Timer1Running ? owed : 0;
    Ted.Timer2Counter -= Ted.Timer2Running ? owed : 0;
    Ted.Timer3Counter -= Ted.Timer3Running ? owed : 0;
}

}  // namespace

// Fewer ticks were owed than the budget on every earlier step, so no timer
// ran out before this one: applying them all now gives the counters the
// step-by-step values.
void TimersCatchUp()
{
    ApplyOwedTicks();
    if ((Ted.Timer1Counter | Ted.Timer2Counter | Ted.Timer3Counter) < 0)
        TimersRanOut();
    WorkOutTimerBudget();
}

void SettleTimers()
{
    ApplyOwedTicks();
    WorkOutTimerBudget();
}

void InterruptCheck() { InterruptCheckInline(); }

void InterruptCheckWatched()
{
    InterruptCheckInline();
    Ted.InterruptWatch = Ted.ResetRequest || Ted.IrqPending || (Ram64[IrqRequestRegister] & ted::IrqActive);
}

// A reset request, or an interrupt to notice or to take.
void InterruptTail()
{
    if (Ted.ResetRequest) {
        EnterInterrupt();
        Cpu.PC = ReadWord(0xFFFC);
        Ted.ResetRequest = 0;
        Ted.RasterIrqDue = 0;
    }
    if (!Cpu.FlagI && (Ram64[IrqRequestRegister] & ted::IrqActive))
        Ted.IrqPending = 1;
    if (Ted.IrqPending) {
        // Taken one processor step after it was noticed.
        if (Ted.IrqDelay > 1) {
            EnterInterrupt();
            Cpu.FlagI = 1;
            Cpu.PC = ReadWord(0xFFFE);
            Ted.IrqPending = 0;
            Ted.IrqDelay = 0;
        } else {
            Ted.IrqDelay = static_cast<uint16_t>(Ted.IrqDelay + LastCycle);
        }
    }
}
