// The sound objects on SDL2 (placeholder until the sound work lands: the
// buffers are kept in memory and nothing is played).
#include <vector>

#include "platform/sdl/sdl_backend.h"

struct SoundSystem {
    int unused = 0;
};

struct SoundBuffer {
    std::vector<uint8_t> data;
    uint32_t frequency = 0;
    int32_t volume = 0;
    int32_t pan = 0;
    bool playing = false;
};

int32_t DirectSoundCreate(SoundSystem** out)
{
    *out = new SoundSystem();
    return DS_OK;
}

int32_t SoundSetCooperativeLevel(SoundSystem*, WindowHandle, uint32_t) { return DS_OK; }

int32_t SoundCreateBuffer(SoundSystem*, const SoundBufferDesc* desc, SoundBuffer** out)
{
    if (!desc || !desc->format || desc->bufferBytes == 0)
        return DSERR_INVALIDPARAM;
    SoundBuffer* buffer = new SoundBuffer();
    buffer->data.assign(desc->bufferBytes, 0x80);
    *out = buffer;
    return DS_OK;
}

int32_t SoundBufferSetFrequency(SoundBuffer* buffer, uint32_t frequency)
{
    if (!buffer || (frequency != 0 && (frequency < 100 || frequency > 100000)))
        return DSERR_INVALIDPARAM;
    buffer->frequency = frequency;
    return DS_OK;
}

int32_t SoundBufferSetPan(SoundBuffer* buffer, int32_t pan)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    buffer->pan = pan;
    return DS_OK;
}

int32_t SoundBufferSetVolume(SoundBuffer* buffer, int32_t volume)
{
    if (!buffer || volume < DSBVOLUME_MIN || volume > 0)
        return DSERR_INVALIDPARAM;
    buffer->volume = volume;
    return DS_OK;
}

int32_t SoundBufferGetVolume(SoundBuffer* buffer, int32_t* volume)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    *volume = buffer->volume;
    return DS_OK;
}

int32_t SoundBufferPlay(SoundBuffer* buffer, uint32_t)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    buffer->playing = true;
    return DS_OK;
}

int32_t SoundBufferLock(SoundBuffer* buffer, uint32_t, uint32_t, void** region1, uint32_t* bytes1,
                        void** region2, uint32_t* bytes2, uint32_t)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    *region1 = buffer->data.data();
    *bytes1 = static_cast<uint32_t>(buffer->data.size());
    *region2 = nullptr;
    *bytes2 = 0;
    return DS_OK;
}

int32_t SoundBufferUnlock(SoundBuffer*, void*, uint32_t, void*, uint32_t) { return DS_OK; }

void SoundBufferRelease(SoundBuffer* buffer) { delete buffer; }
void SoundRelease(SoundSystem* sound) { delete sound; }
