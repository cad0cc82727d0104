// The TED's two voices as three looping sound buffers: square waves for
// voices 1 and 2, white noise for voice 2's noise mode.
#pragma once
#include <cstdint>

extern const int16_t DefaultVolumeTable[9];
extern int16_t VolumeTable[9];

void UpdateVoice1();
void UpdateVoice2();
void SetVoice1Volume(uint8_t volume);
void SetVoice2Volume(uint8_t volume);

// Creates the sound object and its three buffers (device set-up step 15).
// Returns 0 on success, else the failing call's result: the failure was
// logged as a warning, the sound objects are gone and SoundEmulation is 0.
int32_t SetUpSound();
