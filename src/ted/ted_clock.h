// The TED's single clock: the rate every other rate of the chip divides from
// (PAL 886,723.75 Hz, NTSC 894,886.25 Hz), counted from power-on.
#pragma once
#include <cstdint>

// Single-clock cycles since power-on, as far as the machine has run: during a
// register write, the cycle on which that write lands.
uint64_t SingleClockNow();
// The single clock's rate in Hz for the timing in force now (PAL or NTSC).
double SingleClockHz();
