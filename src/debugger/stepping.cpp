// The disassembler's execution keys: one instruction with the timers and
// the raster following it, and a subroutine call run to its return.  The
// video output does not run, so the picture stands while stepping.
#include "cpu/cpu.h"
#include "debugger/debugger.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/interrupt_poll.h"
#include "machine/machine_state.h"
#include "platform/setup.h"
#include "tape/datassette.h"
#include "ted/ted_clock.h"
#include "ted/memory_map.h"
#include "ted/steps_inline.h"

namespace {

constexpr uint8_t OpcodeJsr = 0x20;
// Step over runs the machine in slices of one PAL frame of its time, each
// followed by a vertical-blank wait: a routine that takes long (or never
// returns) runs at the machine's own pace while the display, the keys and
// the runner's script carry on, and Escape is seen within a frame.
constexpr uint64_t StepOverSliceClocks = 17784;

inline bool Measured() { return Ted.ModelInUse == 1; }

// One instruction with the TED following it, in the model in use, and the
// interrupt or reset it leads to.
inline void MeasuredInstruction(bool checkInterrupts)
{
    const bool tapeMoving = TapeMoving;   // the tape runs on the single clock
    const uint64_t clockBefore = tapeMoving ? SingleClockNow() : 0;
    Ted.PictureHeld = 1;   // the debugger's page stays on the screen
    LastInstructionAddress = Cpu.PC;
    Ted.InInstruction = 1;
    ExecuteInstruction();
    Ted.InInstruction = 0;
    MeasuredStep(false);
    if (checkInterrupts)
        PollInterrupts(false);
    Ted.PictureHeld = 0;
    if (tapeMoving) [[unlikely]]
        TapeAdvance(static_cast<uint32_t>(SingleClockNow() - clockBefore));
}

inline void StepWithoutInterruptCheck()
{
    if (Measured()) {
        MeasuredInstruction(false);
        return;
    }
    ExecuteInstruction();
    TimerStep();
    LineStep();
    TapeStep(LastCycle);
}

// Step over takes only what is already due: a requested reset or a raster
// interrupt.  The timers' requests wait until the emulation runs again.
inline void TakeDueInterrupt()
{
    if (Ted.ResetRequest || Ted.RasterIrqDue) {
        if (Measured()) {
            Ted.PictureHeld = 1;
            PollInterrupts(false);
            Ted.PictureHeld = 0;
        } else {
            InterruptCheck();
        }
    }
}

}  // namespace

void SingleStep()
{
    if (Measured()) {
        MeasuredInstruction(true);
        return;
    }
    // Decided before the instruction, which may itself switch the clock.
    const bool doubleSpeed = Ted.DoubleSpeedLine == 1 && Ted.SingleClock == 0;
    ExecuteInstruction();
    InterruptCheck();
    if (doubleSpeed) {
        // As in the main loop: the TED clock runs at half the processor's.
        uint16_t sum = static_cast<uint16_t>(LastCycle + HalfCycleCarry);
        HalfCycleCarry = sum & 1;
        LastCycle = static_cast<uint16_t>(sum >> 1);
    }
    TimerStep();
    LineStep();
    TapeStep(LastCycle);
}

bool StepOver()
{
    TakeDueInterrupt();
    if (ReadByte(Cpu.PC) != OpcodeJsr) {
        StepWithoutInterruptCheck();
        return true;
    }
    // The call pushes two bytes; the routine has returned when the stack
    // pointer is back where it was.
    const uint8_t stackBefore = Cpu.SP;
    uint64_t sliceStart = SingleClockNow();
    do {
        TakeDueInterrupt();
        StepWithoutInterruptCheck();
        // A reset inside the routine starts the clock again from 0.
        const uint64_t now = SingleClockNow();
        if (now < sliceStart || now - sliceStart >= StepOverSliceClocks) {
            WaitVerticalBlank();
            if (KeyPressed(DIK_ESCAPE) == 1)
                return false;
            sliceStart = SingleClockNow();
        }
    } while (Cpu.SP != stackBefore);
    return true;
}
