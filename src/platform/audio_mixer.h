// The mixer behind every sound backend: it plays looping 8-bit buffers,
// each at its own rate and volume, into one stream of 16-bit samples.
//
// Threads: the emulation changes a voice's rate, volume and play state
// through atomics and never waits; the renderer (the audio callback, or
// the headless backend's clock) reads them.  Attaching a voice publishes
// its samples; changing the samples of an attached voice, and detaching
// it, must be kept apart from rendering by the backend.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sound_stream.h"

constexpr int MixerVoiceCount = 8;
constexpr uint32_t MixerMinRate = 100;
// Every rate the TED's voices ask for fits: the highest tone register value
// plays the buffer at 1,789,772 samples a second.  Each output sample
// averages the input it covers, so no rate is too high to mix.
constexpr uint32_t MixerMaxRate = 2000000;
constexpr int32_t MixerSilence = -10000;   // hundredths of a decibel

struct MixerVoice {
    std::atomic<bool> attached{false};
    std::atomic<bool> playing{false};
    std::atomic<uint32_t> rate{0};        // buffer samples per second, 0 = ownRate
    std::atomic<int32_t> volume{0};       // hundredths of a decibel, -10000 to 0

    // Set before the voice is attached; the backend's thread only.
    bool claimed = false;
    std::vector<uint8_t> samples;         // unsigned, 0x80 is the midpoint
    uint32_t ownRate = 0;

    // The renderer's own.
    uint64_t position = 0;                // 32.32 fixed point, in samples
    float gain = 0.0f;                    // follows the volume in short ramps
};

struct AudioMixer {
    MixerVoice voices[MixerVoiceCount];
    SoundStream stream;   // the TED's own sound, when the machine makes it
};

// Gain of a volume in hundredths of a decibel: 10^(volume / 2000); -10000
// and below are silence.
float MixerGain(int32_t volume);

// A free voice with `bytes` samples of silence at ownRate, not yet
// attached; null when all are taken or bytes is 0.
MixerVoice* MixerClaimVoice(AudioMixer& mixer, uint32_t bytes, uint32_t ownRate);
void MixerAttach(MixerVoice& voice);
void MixerDetach(MixerVoice& voice);

// DS_OK, or DSERR_INVALIDPARAM leaving the previous value: rates other than
// 0 must lie in MixerMinRate-MixerMaxRate, volumes in -10000-0.
int32_t MixerSetRate(MixerVoice& voice, uint32_t rate);
int32_t MixerSetVolume(MixerVoice& voice, int32_t volume);

// Renders `frames` mono samples at outputRate, the attached playing voices
// summed.  The sum is scaled so that three voices at full volume never
// exceed the sample range: nothing is ever clipped.  The stream, once it
// is ready, is added on top (its own scale keeps it in range).  Allocates
// nothing.
void MixerRender(AudioMixer& mixer, int16_t* out, size_t frames, uint32_t outputRate);
