#include "ted/ted_clock.h"

#include "machine/machine_state.h"

namespace {
constexpr double PalSingleClockHz = 886723.75;    // 17.734475 MHz / 20
constexpr double NtscSingleClockHz = 894886.25;   // 14.31818 MHz / 16
}  // namespace

// Both models keep the count of whole lines; a line is 57 single clocks and
// LinePosition counts 4 units per single clock.
uint64_t SingleClockNow() { return Ted.ClockAtLineStart + Ted.LinePosition / 4; }

double SingleClockHz() { return Ted.ModelInUse == 1 && Ted.Ntsc ? NtscSingleClockHz : PalSingleClockHz; }
