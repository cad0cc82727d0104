#include "platform/mixer_buffers/mixer_buffers.h"

namespace {

// Holds the audio thread out for the lifetime of the object.
struct AudioHold {
    explicit AudioHold(SoundSystem* s) : system(s) { SoundSystemHoldAudio(system, true); }
    ~AudioHold() { SoundSystemHoldAudio(system, false); }
    SoundSystem* system;
};

}  // namespace

int32_t SoundSetCooperativeLevel(SoundSystem* sound, WindowHandle, uint32_t)
{
    return sound ? DS_OK : DSERR_INVALIDPARAM;
}

int32_t SoundCreateBuffer(SoundSystem* sound, const SoundBufferDesc* desc, SoundBuffer** out)
{
    if (!sound || !desc || !desc->format || desc->bufferBytes == 0 || desc->format->samplesPerSecond == 0)
        return DSERR_INVALIDPARAM;
    // Not attached to the mix until its contents are unlocked.
    MixerVoice* voice =
        MixerClaimVoice(SoundSystemMixer(sound), desc->bufferBytes, desc->format->samplesPerSecond);
    if (!voice)
        return DSERR_GENERIC;
    SoundBuffer* buffer = new SoundBuffer();
    buffer->system = sound;
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
    buffer->pan = pan;
    return DS_OK;
}

int32_t SoundBufferSetVolume(SoundBuffer* buffer, int32_t volume)
{
    return buffer ? MixerSetVolume(*buffer->voice, volume) : DSERR_INVALIDPARAM;
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
    if (buffer->voice->attached.load(std::memory_order_acquire)) {
        // Taken out of the mix while it is written; back in on unlock.
        AudioHold hold(buffer->system);
        buffer->voice->attached.store(false, std::memory_order_release);
    }
    LockWholeBuffer(*buffer, region1, bytes1, region2, bytes2);
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
    {
        AudioHold hold(buffer->system);
        MixerDetach(*buffer->voice);
    }
    delete buffer;
}

int32_t SoundStreamSetRate(SoundSystem* sound, double levelsPerSecond)
{
    if (!sound)
        return DSERR_INVALIDPARAM;
    // A device plays in real time: the stream is paced.
    return StreamSetInputRate(SoundSystemMixer(sound).stream, levelsPerSecond, true) ? DS_OK : DSERR_INVALIDPARAM;
}
