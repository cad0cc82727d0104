// The sound buffers of the backends that play in real time, from an audio
// thread or the page's audio requests (SDL2 and the browser): a buffer's
// voice leaves the mix while it is locked and joins it on unlock.  The
// backend owns its SoundSystem and supplies SoundSystemMixer
// (platform/sound_buffer.h) and the function below; the buffer operations
// of the device layer are written once, here and in
// platform/sound_buffer.cpp.
#pragma once
#include <cstdint>

#include "platform/sound_buffer.h"
// Keeps the backend's audio thread out of the mixer (hold) and lets it in
// again, while a voice's samples change or the voice goes away.  A backend
// that renders on the emulation's own thread does nothing.
void SoundSystemHoldAudio(SoundSystem* sound, bool hold);
