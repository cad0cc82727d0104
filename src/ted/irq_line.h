// The TED's interrupt output as the NMOS processor sees it (Accuracy=1).
// The processor decides on the line's level at one point of each
// instruction (PollOfInstruction, cpu.h), while the TED is stepped to
// the instruction's end afterwards: so every change of the level is kept
// with the time it happened, and the check asks for the level at its own
// time.  Times are quarter slots of the single clock since power-on (the
// units of LinePosition).
#pragma once
#include <cstdint>

// The TED's time now.
uint64_t TedUnitsNow();

// The level may have changed at `at` (a request raised, acknowledged or
// enabled): works it out from 0xFF09 and 0xFF0A, keeps bit 7 of 0xFF09 with
// it and records when it rose or fell.  A request raised while the line is
// already up, but earlier than its recorded rise (the timers and the raster
// are stepped one after the other), moves the rise back.
void IrqLineChanged(uint64_t at);

// Whether a look at time `at` finds the line active.  What happens at `at`
// itself comes after the look: a rise then is not seen, a fall then (a write
// on the instruction's last cycle) still is.
bool IrqLineActiveAt(uint64_t at);

// The time of the start of the processor cycle `back` cycles before the
// TED's position (measured_timing.cpp).
uint64_t UnitsOfCycleBefore(unsigned back);
