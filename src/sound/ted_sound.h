// The TED's sound as the chip makes it (Accuracy=1): two 10-bit counters
// clocked at a quarter of the single clock, each toggling its voice's
// output when it runs over and starting again from its register value;
// voice 2's noise from an 8-bit shift register clocked by voice 2's
// counter; one volume for both.  The generator runs behind the processor
// and catches up to the single clock only when a sound register is written
// and at each frame end, producing one output level per sound clock for the
// device to convert to its own rate.
#pragma once
#include <cstdint>

#include "platform/devices.h"

// Runs of levels handed to the device at a time (at most one frame's worth
// is held back: the rest goes as soon as the block is full).
constexpr uint32_t TedSoundBlockSize = 256;

struct TedVoice {
    uint16_t Reload;      // the frequency register, 10 bits
    // Sound clocks until the counter runs over: 0x400 minus the counter.
    uint16_t Remaining;
    uint8_t Output;       // the square wave's flip-flop
};

struct TedSoundState {
    TedVoice Voice[2];
    uint8_t Control;          // 0xFF11
    uint8_t Noise;            // the shift register; its bit 0 is the noise
    uint8_t Running;          // GeneratedTo holds a single-clock stamp
    uint64_t GeneratedTo;     // single clock up to which the output is made
    double RateSent;          // sound clocks per second last given the device
    // Half periods (sound clocks) shorter than this put a square voice's
    // tone above the device's filter: it is heard as its mean.  0: none.
    uint16_t MeanBelow;
    float MeanBelowFor;       // the filter's stop band MeanBelow was worked out for
    // A voice handed over as its mean leaves out its square wave around the
    // mean, whose audible part is a short pulse wherever the level it is
    // heard at changes (a volume write, a voice switched): the level each
    // voice is handed over as its mean at (0 when it is not), the half
    // period it counts, and the pulse still to be added to the next three
    // sound clocks.
    float MeanGain[2];
    uint16_t MeanHalf[2];
    float Pulse[3];
    uint32_t BlockFill;
    SoundLevelRun Block[TedSoundBlockSize];
};

extern TedSoundState TedSound;

// Output of one voice at each volume code, in units of one voice at full
// volume (the DAC saturates from 8 up).
extern const float TedVoiceLevel[16];

// The memory map's one call, before a write to 0xFF0E-0xFF12 takes effect:
// the sound up to the write's cycle is made with the old value.
void TedSoundRegisterWrite(uint8_t reg, uint8_t value);
// The frame's sound so far goes to the device.
void TedSoundFrameEnd();
// Takes the registers from the TED's stored values (start-up, snapshots).
void TedSoundLoadRegisters();
// Gives the device the chip's rate and takes the registers (sound set-up).
void TedSoundStart();
// Makes the sound up to a single-clock stamp.  A stamp behind the last one
// (a reset) or more than a few frames ahead (a snapshot) restarts the
// generator's clock there without making sound for the gap.
void TedSoundCatchUp(uint64_t singleClock);
// Whether the generator drives the device: Accuracy=1 with a sound device.
bool TedSoundActive();
// The output level now, in voice units (0-2).
float TedSoundLevel();
