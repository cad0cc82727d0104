// The sound buffers as every backend has them: each buffer is one voice of
// the backend's mixer (platform/audio_mixer.h), and the TED's own sound is
// the mixer's stream.  Reading a buffer's volume, handing out its samples
// to a lock and feeding the stream are the same everywhere and are written
// once, in sound_buffer.cpp; the backends write the rest (SDL2 and the
// browser share theirs in platform/mixer_buffers/).
#pragma once
#include <cstdint>

#include "platform/audio_mixer.h"
#include "platform/devices.h"

struct SoundBuffer {
    SoundSystem* system = nullptr;
    MixerVoice* voice = nullptr;
    int32_t pan = 0;   // kept for the caller; the mix is mono
};

// The backend's mixer (supplied by each backend).
AudioMixer& SoundSystemMixer(SoundSystem* sound);

// A lock's regions: the whole buffer in the first, the second empty (the
// one lock the program makes covers the whole buffer).
void LockWholeBuffer(SoundBuffer& buffer, void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2);
