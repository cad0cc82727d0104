#include "cpu/cpu.h"
#include "debugger/debugger.h"
#include "files/screenshot.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "ted/render_inline.h"
#include "ted/steps_inline.h"
#include "ui/menus.h"

namespace {

// Once the window is destroyed, ReleaseAll has freed the RAM block: nothing
// of the machine may run any more.  What is left is to take messages until
// the quit message that the destruction posted.
bool FinishAfterRelease(int* exitCode)
{
    Message message;
    while (GetMessage(&message)) {
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    *exitCode = static_cast<int>(message.wParam);
    return false;
}

// LastCycle = (LastCycle + carry) / 2, the odd cycle carried to the next step.
inline void HalveLastCycle()
{
    uint16_t sum = static_cast<uint16_t>(LastCycle + HalfCycleCarry);
    HalfCycleCarry = sum & 1;
    LastCycle = static_cast<uint16_t>(sum >> 1);
}

// The requests that keys and menus leave for the main loop, in their order.
void RunRequests()
{
    FlushRender();
    if (ScreenshotRequest == 1)
        WriteScreenshot();
    if (OptionsMenuRequest == 1)
        RunOptionsMenu();
    if (LoadMenuRequest == 1)
        RunLoadMenu();
    if (SaveMenuRequest == 1)
        RunSaveMenu();
    if (DebuggerRequest == 1)
        RunDebugger();
    if (SoftResetRequest == 1)
        SoftReset();
    if (HardResetRequest == 1)
        HardReset();
}

inline bool AtBreakpoint()
{
    return BreakpointEnabled == 1 && Cpu.PC == Breakpoint;
}

// The debugger shows the picture as it stands: what the beam has passed is
// drawn first.
void StopAtBreakpoint()
{
    FlushRender();
    RunDebugger();
}

}  // namespace

bool MainLoopPass(int* exitCode)
{
    if (PumpCounter > 256) {
        PumpCounter = 0;
        Message message;
        if (PeekMessage(&message)) {
            if (!GetMessage(&message)) {
                *exitCode = static_cast<int>(message.wParam);
                return false;
            }
            FlushRender();
            TranslateMessage(&message);
            DispatchMessage(&message);
            if (!Ram64)
                return FinishAfterRelease(exitCode);
        }
    }
    PumpCounter++;

    if (AppActive == 0) {
        WaitMessage();
        return true;
    }

    if (Ted.DoubleSpeedLine == 1 && Ted.SingleClock == 0) {
        // Outside the display lines the TED runs the processor at twice the
        // rate of its own clock: two instructions, with the timers and the
        // raster seeing half of each one's cycles.
        ExecuteInstruction();
        InterruptCheckInline();
        PairCycles = LastCycle;
        HalveLastCycle();
        TimerStepInline();
        LineStepInline();
        if (AtBreakpoint())
            StopAtBreakpoint();
        ExecuteInstruction();
        InterruptCheckInline();
        PairCycles = static_cast<uint16_t>(PairCycles + LastCycle);
        HalveLastCycle();
        TimerStepInline();
        LineStepInline();
        LastCycle = static_cast<uint16_t>(PairCycles >> 1);
    } else {
        ExecuteInstruction();
        InterruptCheckInline();
        TimerStepInline();
        LineStepInline();
    }

    RenderStepInline();

    if (AtBreakpoint())
        StopAtBreakpoint();

    // The requests are rare: one test of them all on the common path.
    if ((ScreenshotRequest | OptionsMenuRequest | LoadMenuRequest | SaveMenuRequest | DebuggerRequest |
         SoftResetRequest | HardResetRequest) != 0) [[unlikely]]
        RunRequests();
    if (!Ram64)
        return FinishAfterRelease(exitCode);
    return true;
}
