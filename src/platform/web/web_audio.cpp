// The sound objects in the browser: the shared mixer, rendered on request
// of the page's WebAudio node (which the page starts on the first click or
// key, as browsers require).  Everything runs on the page's one thread, so
// the mixer's atomics are never contended.
#include <emscripten.h>

#include "platform/audio_mixer.h"
#include "platform/devices.h"

struct SoundSystem {
    AudioMixer mixer;
    bool muted = false;
};

struct SoundBuffer {
    MixerVoice* voice = nullptr;
    int32_t pan = 0;
};

namespace {

SoundSystem* Sound = nullptr;
constexpr size_t MaxRenderFrames = 16384;
int16_t RenderBuffer[MaxRenderFrames];

}  // namespace

// From the page: `frames` mono samples at `rate`, as 16-bit values in the
// returned buffer (silence while no sound system exists).
extern "C" EMSCRIPTEN_KEEPALIVE const int16_t* RavlinWebRenderAudio(int frames, int rate)
{
    size_t count = frames < 0 ? 0 : static_cast<size_t>(frames);
    if (count > MaxRenderFrames)
        count = MaxRenderFrames;
    if (Sound && !Sound->muted && rate > 0)
        MixerRender(Sound->mixer, RenderBuffer, count, static_cast<uint32_t>(rate));
    else
        for (size_t i = 0; i < count; i++)
            RenderBuffer[i] = 0;
    return RenderBuffer;
}

int32_t DirectSoundCreate(SoundSystem** out)
{
    if (Sound)
        return DSERR_GENERIC;
    Sound = new SoundSystem();
    *out = Sound;
    return DS_OK;
}

int32_t SoundSetCooperativeLevel(SoundSystem* sound, WindowHandle, uint32_t)
{
    return sound ? DS_OK : DSERR_INVALIDPARAM;
}

int32_t SoundCreateBuffer(SoundSystem* sound, const SoundBufferDesc* desc, SoundBuffer** out)
{
    if (!sound || !desc || !desc->format || desc->bufferBytes == 0 || desc->format->samplesPerSecond == 0)
        return DSERR_INVALIDPARAM;
    MixerVoice* voice = MixerClaimVoice(sound->mixer, desc->bufferBytes, desc->format->samplesPerSecond);
    if (!voice)
        return DSERR_GENERIC;
    SoundBuffer* buffer = new SoundBuffer();
    buffer->voice = voice;
    *out = buffer;
    return DS_OK;
}

int32_t SoundBufferSetFrequency(SoundBuffer* buffer, uint32_t frequency)
{
    return buffer ? MixerSetRate(*buffer->voice, frequency) : DSERR_INVALIDPARAM;
}

int32_t SoundBufferSetPan(SoundBuffer* buffer, int32_t pan)
{
    if (!buffer || pan < -10000 || pan > 10000)
        return DSERR_INVALIDPARAM;
    buffer->pan = pan;   // the mix is mono
    return DS_OK;
}

int32_t SoundBufferSetVolume(SoundBuffer* buffer, int32_t volume)
{
    return buffer ? MixerSetVolume(*buffer->voice, volume) : DSERR_INVALIDPARAM;
}

int32_t SoundBufferGetVolume(SoundBuffer* buffer, int32_t* volume)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    *volume = buffer->voice->volume.load(std::memory_order_relaxed);
    return DS_OK;
}

int32_t SoundBufferPlay(SoundBuffer* buffer, uint32_t)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    buffer->voice->playing.store(true, std::memory_order_relaxed);
    return DS_OK;
}

int32_t SoundBufferLock(SoundBuffer* buffer, uint32_t, uint32_t, void** region1, uint32_t* bytes1,
                        void** region2, uint32_t* bytes2, uint32_t)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    // Out of the mix while it is written; back in on unlock.
    buffer->voice->attached.store(false, std::memory_order_release);
    *region1 = buffer->voice->samples.data();
    *bytes1 = static_cast<uint32_t>(buffer->voice->samples.size());
    *region2 = nullptr;
    *bytes2 = 0;
    return DS_OK;
}

int32_t SoundBufferUnlock(SoundBuffer* buffer, void*, uint32_t, void*, uint32_t)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    MixerAttach(*buffer->voice);
    return DS_OK;
}

void SoundBufferRelease(SoundBuffer* buffer)
{
    if (!buffer)
        return;
    MixerDetach(*buffer->voice);
    delete buffer;
}

void SoundSetMuted(SoundSystem* sound, bool muted)
{
    if (sound)
        sound->muted = muted;
}

void SoundRelease(SoundSystem* sound)
{
    if (Sound == sound)
        Sound = nullptr;
    delete sound;
}
