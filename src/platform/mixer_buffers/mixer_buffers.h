// The sound buffers of the backends that play through the shared mixer
// (SDL2 and the browser): each buffer is one mixer voice.  The backend owns
// its SoundSystem and supplies the two functions below; the buffer
// operations of the device layer are written once, in mixer_buffers.cpp.
#pragma once
#include <cstdint>

#include "platform/audio_mixer.h"
#include "platform/devices.h"

struct SoundBuffer {
    SoundSystem* system = nullptr;
    MixerVoice* voice = nullptr;
    int32_t pan = 0;   // kept for the caller; the mix is mono
};

// The backend's mixer.
AudioMixer& SoundSystemMixer(SoundSystem* sound);
// Keeps the backend's audio thread out of the mixer (hold) and lets it in
// again, while a voice's samples change or the voice goes away.  A backend
// that renders on the emulation's own thread does nothing.
void SoundSystemHoldAudio(SoundSystem* sound, bool hold);
