// The TED's three down-counting timers and the interrupt logic.
#include "cpu/cpu.h"
#include "machine/machine_state.h"

namespace {
constexpr uint16_t IrqRequestRegister = 0xFF09;
constexpr uint16_t IrqEnableRegister = 0xFF0A;
}  // namespace

void TimerStep()
{
    // At the normal clock two processor cycles make one timer tick.
    int32_t d = Ted.SingleClock ? LastCycle : (LastCycle >> 1);
    uint8_t& request = Ram64[IrqRequestRegister];

    if (Ted.Timer1Running)
        Ted.Timer1Counter -= d;
    if (Ted.Timer1Counter < 0) {
        // Only at the single clock does the overshoot carry into the reload.
        if (Ted.SingleClock)
            Ted.Timer1Counter += Ted.Timer1Latch;
        else
            Ted.Timer1Counter = Ted.Timer1Latch;
        request |= 0x08;
    }
    if (Ted.Timer2Running)
        Ted.Timer2Counter -= d;
    if (Ted.Timer2Counter < 0) {
        Ted.Timer2Counter = 0xFFFF;   // timers 2 and 3 run on freely
        request |= 0x10;
    }
    if (Ted.Timer3Running)
        Ted.Timer3Counter -= d;
    if (Ted.Timer3Counter < 0) {
        Ted.Timer3Counter = 0xFFFF;
        request |= 0x40;
    }
}

void InterruptCheck()
{
    uint8_t& request = Ram64[IrqRequestRegister];
    request &= 0x7F;
    // Only raster (1), timer 1 (3), timer 2 (4) and timer 3 (6) interrupt.
    if (request & Ram64[IrqEnableRegister] & 0x5A)
        request |= 0x80;

    if (Ted.ResetRequest) {
        EnterInterrupt();
        Cpu.PC = ReadWord(0xFFFC);
        Ted.ResetRequest = 0;
        Ted.RasterIrqDue = 0;
    }
    if (!Cpu.FlagI && (request & 0x80))
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
