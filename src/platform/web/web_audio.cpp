// The sound objects in the browser: the shared mixer, rendered on request
// of the page's WebAudio node (which the page starts on the first click or
// key, as browsers require).  Everything runs on the page's one thread, so
// the mixer's atomics are never contended.
#include <emscripten.h>

#include "platform/audio_mixer.h"
#include "platform/devices.h"
#include "platform/mixer_buffers/mixer_buffers.h"

struct SoundSystem {
    AudioMixer mixer;
    bool muted = false;
    uint32_t rate = 0;     // the page's, from its last request
    uint32_t period = 0;
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
    if (Sound && rate > 0) {
        Sound->rate = static_cast<uint32_t>(rate);
        Sound->period = static_cast<uint32_t>(count);
    }
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

AudioMixer& SoundSystemMixer(SoundSystem* sound) { return sound->mixer; }

// The mixer renders on the page's one thread: nothing to hold out.
void SoundSystemHoldAudio(SoundSystem*, bool) {}

void SoundSetMuted(SoundSystem* sound, bool muted)
{
    if (sound)
        sound->muted = muted;
}

void SoundRelease(SoundSystem* sound)
{
    if (sound)
        StreamLogSummary(sound->mixer.stream, sound->rate, sound->period);
    if (Sound == sound)
        Sound = nullptr;
    delete sound;
}
