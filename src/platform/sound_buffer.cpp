#include "platform/sound_buffer.h"

void LockWholeBuffer(SoundBuffer& buffer, void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2)
{
    *region1 = buffer.voice->samples.data();
    *bytes1 = static_cast<uint32_t>(buffer.voice->samples.size());
    *region2 = nullptr;
    *bytes2 = 0;
}

int32_t SoundBufferGetVolume(SoundBuffer* buffer, int32_t* volume)
{
    if (!buffer)
        return DSERR_INVALIDPARAM;
    *volume = buffer->voice->volume.load(std::memory_order_relaxed);
    return DS_OK;
}

int32_t SoundStreamWrite(SoundSystem* sound, const SoundLevelRun* runs, uint32_t count)
{
    if (!sound || (!runs && count > 0))
        return DSERR_INVALIDPARAM;
    return StreamWrite(SoundSystemMixer(sound).stream, runs, count) ? DS_OK : DSERR_INVALIDPARAM;
}
