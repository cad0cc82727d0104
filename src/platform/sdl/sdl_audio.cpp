// The sound objects on SDL2: one audio device, fed by the shared mixer
// from SDL's audio thread.  The emulation only stores volumes, rates and
// play states in the mixer's atomics; it never takes a lock for them and
// never waits for the audio thread.
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/audio_mixer.h"
#include "platform/mixer_buffers/mixer_buffers.h"
#include "platform/sdl/sdl_backend.h"

struct SoundSystem {
    SDL_AudioDeviceID device = 0;
    uint32_t outputRate = 0;
    uint32_t periodFrames = 0;
    AudioMixer mixer;
    // How the callback keeps up, for RAVLIN_AUDIO_STATS.
    std::atomic<uint64_t> callbacks{0};
    std::atomic<uint64_t> lateCallbacks{0};
    std::atomic<int64_t> longestGap{0};
    std::atomic<int64_t> longestRender{0};
    int64_t lastCallback = 0;   // audio thread only
};

namespace {

constexpr int DesiredRate = 48000;
// About 11 ms at 48 kHz: with the stream's queue, a register write is
// heard within 50 ms.
constexpr int PeriodFrames = 512;

void UpdateMaximum(std::atomic<int64_t>& maximum, int64_t value)
{
    int64_t seen = maximum.load(std::memory_order_relaxed);
    while (value > seen && !maximum.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
    }
}

void SDLCALL FillAudio(void* userdata, Uint8* stream, int length)
{
    SoundSystem* system = static_cast<SoundSystem*>(userdata);
    int64_t start = SdlNow();
    MixerRender(system->mixer, reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / 2,
                system->outputRate);
    int64_t end = SdlNow();

    // A callback that comes more than half a period late means the device
    // ran dry before it.
    const int64_t period = static_cast<int64_t>(length / 2) * 1'000'000'000 / system->outputRate;
    if (system->lastCallback != 0) {
        int64_t gap = start - system->lastCallback;
        UpdateMaximum(system->longestGap, gap);
        if (gap > period + period / 2)
            system->lateCallbacks.fetch_add(1, std::memory_order_relaxed);
    }
    system->lastCallback = start;
    UpdateMaximum(system->longestRender, end - start);
    system->callbacks.fetch_add(1, std::memory_order_relaxed);
}

void ReportStatistics(const SoundSystem* system)
{
    const char* wanted = std::getenv("RAVLIN_AUDIO_STATS");
    if (!wanted || !*wanted)
        return;
    std::fprintf(stderr,
                 "ravlin: audio %u Hz, %u-frame periods: %llu callbacks, %llu late, "
                 "longest gap %.1f ms, longest mix %.3f ms\n",
                 system->outputRate, system->periodFrames,
                 static_cast<unsigned long long>(system->callbacks.load()),
                 static_cast<unsigned long long>(system->lateCallbacks.load()),
                 static_cast<double>(system->longestGap.load()) / 1e6,
                 static_cast<double>(system->longestRender.load()) / 1e6);
}

}  // namespace

int32_t DirectSoundCreate(SoundSystem** out)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "ravlin: no sound: %s\n", SDL_GetError());
        return DSERR_GENERIC;
    }
    SoundSystem* system = new SoundSystem();
    SDL_AudioSpec want{}, have{};
    want.freq = DesiredRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = PeriodFrames;
    want.callback = FillAudio;
    want.userdata = system;
    // The device's own rate is taken as it comes; SDL converts the channels.
    system->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (system->device == 0 || have.freq <= 0) {
        std::fprintf(stderr, "ravlin: no sound device: %s\n", SDL_GetError());
        if (system->device != 0)
            SDL_CloseAudioDevice(system->device);
        delete system;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_GENERIC;
    }
    system->outputRate = static_cast<uint32_t>(have.freq);
    system->periodFrames = have.samples;
    SDL_PauseAudioDevice(system->device, 0);
    *out = system;
    return DS_OK;
}

void SoundSetMuted(SoundSystem* sound, bool muted)
{
    if (sound && sound->device)
        SDL_PauseAudioDevice(sound->device, muted ? 1 : 0);
}

AudioMixer& SoundSystemMixer(SoundSystem* sound) { return sound->mixer; }

void SoundSystemHoldAudio(SoundSystem* sound, bool hold)
{
    if (hold)
        SDL_LockAudioDevice(sound->device);
    else
        SDL_UnlockAudioDevice(sound->device);
}

void SoundRelease(SoundSystem* sound)
{
    if (!sound)
        return;
    SDL_CloseAudioDevice(sound->device);
    ReportStatistics(sound);
    StreamLogSummary(sound->mixer.stream, sound->outputRate, sound->periodFrames);
    delete sound;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
