// The per-step work of the timers, the interrupt logic and the raster, in
// the form the main loop inlines: the common case (nothing runs out, no
// interrupt, no line event) is a few instructions here, and everything
// else goes to the out-of-line rest in timers.cpp and raster.cpp.
// TimerStep, InterruptCheck and LineStep behave exactly like these.
#pragma once
#include "cpu/registers.h"
#include "machine/machine_state.h"
#include "ted/ted_names.h"
#include "ted/video_watch.h"

// The rare parts.
void TimersRanOut();
void TimersCatchUp();
void InterruptCheckWatched();
void InterruptTail();
void LineStepEvents();

// The older model's timers (Accuracy=0; the measured model counts its
// single-clock slots in CountTimerSlots below): at the normal clock two of
// the pass's cycles make one tick.
inline int32_t TimerTicksOf(uint16_t cycles) { return Ted.SingleClock ? cycles : (cycles >> 1); }

inline void TimerStepInline()
{
    const int32_t d = TimerTicksOf(LastCycle);
    Ted.Timer1Counter -= Ted.Timer1Running ? d : 0;
    Ted.Timer2Counter -= Ted.Timer2Running ? d : 0;
    Ted.Timer3Counter -= Ted.Timer3Running ? d : 0;
    // A timer runs out when it passes below zero, stopped or not.
    if ((Ted.Timer1Counter | Ted.Timer2Counter | Ted.Timer3Counter) < 0) [[unlikely]]
        TimersRanOut();
}

// TimerStepInline for RunMainLoop: the ticks are counted, and applied in
// one go when a timer is about to run out.  The counters come out the same
// after every step where anyone can see them.
inline void TimerStepDeferred()
{
    Ted.TimerTicksOwed += TimerTicksOf(LastCycle);
    if (Ted.TimerTicksOwed >= Ted.TimerBudget) [[unlikely]]
        TimersCatchUp();
}

inline void InterruptCheckInline()
{
    // 0xFF09 bit 7: some enabled source requests.  Only raster (1), timer 1
    // (3), timer 2 (4) and timer 3 (6) interrupt.
    const uint8_t current = Ram64[ted::IrqRequest];
    uint8_t request = current & static_cast<uint8_t>(~ted::IrqActive);
    if (request & Ram64[ted::IrqEnable] & ted::IrqSources)
        request |= ted::IrqActive;
    if (request != current) [[unlikely]] {
        BeforeVideoWrite(ted::IrqRequest);   // a video matrix at 0xFC00 shows it
        Ram64[ted::IrqRequest] = request;
    }
    if (Ted.ResetRequest || Ted.IrqPending || (!Cpu.FlagI && (request & ted::IrqActive))) [[unlikely]]
        InterruptTail();
}

// LineStepInline for RunMainLoop, with the events' threshold worked out
// whenever what it depends on changes.
inline void LineStepDeferred()
{
    Ted.LinePosition = static_cast<uint16_t>(Ted.LinePosition + 4 * LastCycle);
    if (Ted.LinePosition >= Ted.LineEventAt) [[unlikely]]
        LineStepEvents();
}

// InterruptCheckInline for RunMainLoop: with nothing requested, pending or
// changed since the last look, the check would change nothing.
inline void InterruptCheckDeferred()
{
    if (Ted.InterruptWatch) [[unlikely]]
        InterruptCheckWatched();
}

inline void LineStepInline()
{
    Ted.LinePosition = static_cast<uint16_t>(Ted.LinePosition + 4 * LastCycle);
    // Events: the line set-up, the raster compare (two cycles into the
    // line, once), the next line and the wrap.
    if (Ted.LineSetupPending || Ted.LinePosition >= 226 ||
        (Ted.RasterCompareArmed && Ted.LinePosition >= 8 &&
         LineCounterTable[Ted.RasterLine] == Ted.RasterCompare)) [[unlikely]]
        LineStepEvents();
}

// The measured model (Accuracy=1).  After each instruction the TED walks
// the line's table (line_timing.h) by the instruction's processor cycles:
// one lookup gives the new position, and the timers count the single-clock
// slots passed.  Lines end, bad lines and counters step out of line, in
// measured_timing.cpp.
#include "ted/line_timing.h"

void MeasuredCrossLines(unsigned cycle, bool deferred);
void MeasuredLineEvents();

// Processor cycles from the current position to the TED's next event: the
// line's end, the raster compare, the first timer to run out.  An
// instruction ending before it leaves the TED nothing to do but count; the
// one that reaches it must be stepped as a pass steps it.  0: step at once.
unsigned MeasuredCyclesToNextEvent();

// The timers count single-clock slots whatever the processor's clock.  In
// the deferred form they are owed until one runs out or someone looks.
inline void CountTimerSlots(int32_t slots, bool deferred)
{
    Ted.TimerTicksOwed += slots;
    if (!deferred || Ted.TimerTicksOwed >= Ted.TimerBudget) [[unlikely]]
        TimersCatchUp();
}

inline void MeasuredAdvance(unsigned cycles, bool deferred)
{
    const unsigned n = Ted.LineCycle + cycles;
    const timing::LineTable& t = timing::LineTables[Ted.LineKindNow][Ted.LineClockNow];
    if (n >= t.cycles) [[unlikely]] {
        MeasuredCrossLines(n, deferred);
        return;
    }
    const unsigned before = Ted.LinePosition >> 2;
    Ted.LineCycle = static_cast<uint8_t>(n);
    Ted.LinePosition = t.unitsAt[n];
    CountTimerSlots(static_cast<int32_t>((Ted.LinePosition >> 2) - before), deferred);
    if (Ted.LinePosition >= Ted.LineEventAt) [[unlikely]]
        MeasuredLineEvents();
}

// The step after an instruction: the cycles a register access has not
// already stepped.
inline void MeasuredStep(bool deferred)
{
    const unsigned accounted = Ted.CyclesAccounted;
    Ted.CyclesAccounted = 0;
    MeasuredAdvance(LastCycle > accounted ? LastCycle - accounted : 0, deferred);
}
