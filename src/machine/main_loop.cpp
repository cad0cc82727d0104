#include "cpu/cpu.h"
#include "debugger/debugger.h"
#include "drive/hardware_drive.h"
#include "files/screenshot.h"
#include "machine/event_run.h"
#include "machine/interrupt_poll.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "platform/start_file.h"
#include "tape/datassette.h"
#include "ted/line_setup.h"
#include "ted/present.h"
#include "ted/render_inline.h"
#include "ted/steps_inline.h"
#include "ted/ted_clock.h"
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
    SettleDeferredSteps();
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
    if (StartFileRequest == 1)
        StartRequestedFile();
    // A reset or a load may have put the TED back to its start.
    if (Ram64)
        Config.Accuracy != 0 ? EnterMeasuredModel() : EnterOlderModel();
    SettleDeferredSteps();
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
    SettleDeferredSteps();
    RunDebugger();
    SettleDeferredSteps();
}

// How a pass steps the timers, the interrupt logic and the raster: every
// check at every step (MainLoopPass), or RunMainLoop's form, where the
// timers' ticks are counted and applied when one runs out or someone looks,
// the interrupt check looks only when something changed or is present, and
// the line step compares the position with the next event's.
enum class StepForm : uint8_t { Stepped, Deferred };

template <StepForm T>
inline void CheckInterrupts()
{
    if constexpr (T == StepForm::Stepped)
        InterruptCheckInline();
    else
        InterruptCheckDeferred();
}

template <StepForm T>
inline void StepTimersAndRaster()
{
    if constexpr (T == StepForm::Stepped) {
        TimerStepInline();
        LineStepInline();
    } else {
        TimerStepDeferred();
        LineStepDeferred();
    }
    // LastCycle counts the TED's clock here, whatever the processor's rate.
    TapeStep(LastCycle);
}

// Which machine a pass runs: the older model, where display lines give the
// processor 57 cycles and others 114, or the measured one, where the TED
// walks a table per line kind (line_timing.h).
enum class Model : uint8_t { Older, Measured };

// One instruction and the TED after it, in the measured model, where the
// processor is the NMOS chip: then the interrupt or reset it leads to.  The
// deferred form looks at the lines only when something changed or is
// present (Ted.InterruptWatch).
template <StepForm T>
inline void MeasuredInstruction()
{
    const bool tapeMoving = TapeMoving;   // the tape runs on the single clock
    const uint64_t clockBefore = tapeMoving ? SingleClockNow() : 0;
    LastInstructionAddress = Cpu.PC;
    Ted.InInstruction = 1;
    ExecuteInstruction();
    Ted.InInstruction = 0;
    MeasuredStep(T == StepForm::Deferred);
    if (T == StepForm::Stepped || Ted.InterruptWatch) [[unlikely]]
        PollUnmaskedInterrupts(T == StepForm::Deferred);
    if (tapeMoving) [[unlikely]]
        TapeAdvance(static_cast<uint32_t>(SingleClockNow() - clockBefore));
}

// Brings the TED into the model the settings ask for.
inline Model ModelFromSettings()
{
    if (Config.Accuracy != 0) {
        EnterMeasuredModel();
        return Model::Measured;
    }
    EnterOlderModel();
    return Model::Older;
}

// One pass.  *attention asks for the request flags and the RAM block to be
// looked at after the pass; a pass sets it after anything that could have
// changed them: a dispatched message, a frame end or the debugger.
// MainLoopPass always asks.
template <StepForm T, Model M>
inline bool Pass(int* exitCode, bool* attention)
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
            SettleDeferredSteps();
            TranslateMessage(&message);
            DispatchMessage(&message);
            if (!Ram64)
                return FinishAfterRelease(exitCode);
            SettleDeferredSteps();
            *attention = true;
        }
    }
    PumpCounter++;

    if (AppActive == 0) {
        WaitMessage();
        return true;
    }

    if constexpr (M == Model::Measured) {
        // The batching loop runs to the TED's next event when nothing needs
        // a look after every instruction; the same machine comes out.
        if (T == StepForm::Deferred && CanRunToNextEvent())
            RunToNextEvent();
        else
            MeasuredInstruction<T>();
    } else if (Ted.DoubleSpeedLine == 1 && Ted.SingleClock == 0) {
        // Outside the display lines the TED runs the processor at twice the
        // rate of its own clock: two instructions, with the timers and the
        // raster seeing half of each one's cycles.
        ExecuteInstruction();
        CheckInterrupts<T>();
        PairCycles = LastCycle;
        HalveLastCycle();
        StepTimersAndRaster<T>();
        if (AtBreakpoint()) {
            StopAtBreakpoint();
            *attention = true;
        }
        ExecuteInstruction();
        CheckInterrupts<T>();
        PairCycles = static_cast<uint16_t>(PairCycles + LastCycle);
        HalveLastCycle();
        StepTimersAndRaster<T>();
        LastCycle = static_cast<uint16_t>(PairCycles >> 1);
    } else {
        ExecuteInstruction();
        CheckInterrupts<T>();
        StepTimersAndRaster<T>();
    }

    if (RenderStepInline<M == Model::Measured>())
        *attention = true;   // the frame end ran the frame's outputs

    if (AtBreakpoint()) {
        StopAtBreakpoint();
        *attention = true;
    }

    if (*attention) [[unlikely]] {
        *attention = false;
        if (!Ram64)
            return FinishAfterRelease(exitCode);
        HardwareDriveFrame();   // a disk drive with its own processor keeps up
        if (StartFileWaiting)
            CheckStartFileDue();
        if ((ScreenshotRequest | OptionsMenuRequest | LoadMenuRequest | SaveMenuRequest | DebuggerRequest |
             SoftResetRequest | HardResetRequest | StartFileRequest) != 0) {
            if (RequestsMayRun())
                RunRequests();
            // A menu may leave another request for the next pass; a look
            // may wait for a whole picture.
            *attention = true;
            if (!Ram64)
                return FinishAfterRelease(exitCode);
        }
    }
    return true;
}

}  // namespace

bool MainLoopPass(int* exitCode)
{
    bool attention = true;
    Ted.DrawOnDemand = 0;   // whoever steps pass by pass may look at any time
    if (Ted.NotDrawing)
        SetDrawing(true);
    if (ModelFromSettings() == Model::Measured)
        return Pass<StepForm::Stepped, Model::Measured>(exitCode, &attention);
    return Pass<StepForm::Stepped, Model::Older>(exitCode, &attention);
}

bool RunMainLoop(int* exitCode, uint64_t untilFrame)
{
    // Whatever was changed from outside since the last pass is looked at
    // first: the timers' budget, the requests, the RAM block.
    const Model model = ModelFromSettings();
    SettleDeferredSteps();
    Ted.DrawOnDemand = 1;
    bool attention = true;
    bool running = true;
    if (model == Model::Measured) {
        while (running && Ted.FramesCompleted < untilFrame)
            running = Pass<StepForm::Deferred, Model::Measured>(exitCode, &attention);
    } else {
        while (running && Ted.FramesCompleted < untilFrame)
            running = Pass<StepForm::Deferred, Model::Older>(exitCode, &attention);
    }
    SettleDeferredSteps();
    return running;
}
