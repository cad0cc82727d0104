// How the tape's time meets the machine's: the tape runs on cycles of the
// clock its image was made with, the machine counts cycles of the TED's
// single clock.  The one place to change when the machine's clock changes.
#pragma once
#include <cstdint>

// The TED's single clock on a PAL machine: 17,734,475 Hz / 20.
constexpr uint32_t MachineSingleClockHz = 886724;

// Tape cycles per machine cycle, as a 32.32 fixed-point number.
inline uint64_t TapeCyclesPerMachineCycle(uint32_t tapeClockHz)
{
    return (static_cast<uint64_t>(tapeClockHz) << 32) / MachineSingleClockHz;
}
