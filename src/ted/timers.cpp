// The TED's three down-counting timers and the interrupt logic.
#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "ted/steps_inline.h"

namespace {
constexpr uint16_t IrqRequestRegister = 0xFF09;
}  // namespace

// The timers that ran out raise their requests and start again.
void TimersRanOut()
{
    BeforeVideoWrite(IrqRequestRegister);
    uint8_t& request = Ram64[IrqRequestRegister];
    if (Ted.Timer1Counter < 0) {
        // Only at the single clock does the overshoot carry into the reload.
        if (Ted.SingleClock) {
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
        request |= 0x08;
    }
    if (Ted.Timer2Counter < 0) {
        Ted.Timer2Counter = 0xFFFF;   // timers 2 and 3 run on freely
        request |= 0x10;
    }
    if (Ted.Timer3Counter < 0) {
        Ted.Timer3Counter = 0xFFFF;
        request |= 0x40;
    }
}

void TimerStep() { TimerStepInline(); }

void InterruptCheck() { InterruptCheckInline(); }

// A reset request, or an interrupt to notice or to take.
void InterruptTail()
{
    if (Ted.ResetRequest) {
        EnterInterrupt();
        Cpu.PC = ReadWord(0xFFFC);
        Ted.ResetRequest = 0;
        Ted.RasterIrqDue = 0;
    }
    if (!Cpu.FlagI && (Ram64[IrqRequestRegister] & 0x80))
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
