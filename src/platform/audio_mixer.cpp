#include "platform/audio_mixer.h"

#include <cmath>

#include "platform/devices.h"

namespace {

constexpr float Headroom = 1.0f / 3.0f;        // three full voices fit
constexpr float GainStep = 1.0f / 256.0f;      // per output sample: no clicks
constexpr size_t Chunk = 256;
constexpr uint64_t One = uint64_t{1} << 32;    // one sample in 32.32

// Adds one voice into mix[0..frames).  Each output sample is the average of
// the buffer over the span of input it covers, so rates above the output
// rate are filtered rather than skipped over.
void MixVoice(MixerVoice& voice, float* mix, size_t frames, uint32_t outputRate)
{
    uint32_t rate = voice.rate.load(std::memory_order_relaxed);
    if (rate == 0)
        rate = voice.ownRate;
    const float target = MixerGain(voice.volume.load(std::memory_order_relaxed));
    const uint64_t length = static_cast<uint64_t>(voice.samples.size()) * One;
    if (length == 0 || rate == 0)
        return;
    const uint64_t step = (static_cast<uint64_t>(rate) << 32) / outputRate;
    if (step == 0)
        return;

    if (target == 0.0f && voice.gain == 0.0f) {
        // Silent: the buffer plays on, unheard.
        voice.position = (voice.position + (step * frames) % length) % length;
        return;
    }
    const uint8_t* samples = voice.samples.data();
    const double scale = 1.0 / (128.0 * static_cast<double>(step));
    uint64_t position = voice.position;
    float gain = voice.gain;
    for (size_t i = 0; i < frames; i++) {
        int64_t sum = 0;
        uint64_t remaining = step;
        while (remaining > 0) {
            uint64_t index = position >> 32;
            uint64_t take = One - (position & (One - 1));
            if (take > remaining)
                take = remaining;
            sum += (static_cast<int64_t>(samples[index]) - 128) * static_cast<int64_t>(take);
            remaining -= take;
            position += take;
            if (position >= length)
                position -= length;
        }
        if (gain < target)
            gain = std::fmin(gain + GainStep, target);
        else if (gain > target)
            gain = std::fmax(gain - GainStep, target);
        mix[i] += gain * static_cast<float>(static_cast<double>(sum) * scale);
    }
    voice.position = position;
    voice.gain = gain;
}

}  // namespace

float MixerGain(int32_t volume)
{
    if (volume <= MixerSilence)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

MixerVoice* MixerClaimVoice(AudioMixer& mixer, uint32_t bytes, uint32_t ownRate)
{
    if (bytes == 0)
        return nullptr;
    for (MixerVoice& voice : mixer.voices) {
        if (voice.claimed)
            continue;
        voice.claimed = true;
        voice.samples.assign(bytes, 0x80);
        voice.ownRate = ownRate;
        voice.position = 0;
        voice.gain = 0.0f;
        voice.rate.store(0, std::memory_order_relaxed);
        voice.volume.store(0, std::memory_order_relaxed);
        voice.playing.store(false, std::memory_order_relaxed);
        return &voice;
    }
    return nullptr;
}

void MixerAttach(MixerVoice& voice)
{
    voice.attached.store(true, std::memory_order_release);
}

void MixerDetach(MixerVoice& voice)
{
    voice.attached.store(false, std::memory_order_release);
    voice.playing.store(false, std::memory_order_relaxed);
    std::vector<uint8_t>().swap(voice.samples);
    voice.claimed = false;
}

int32_t MixerSetRate(MixerVoice& voice, uint32_t rate)
{
    if (rate != 0 && (rate < MixerMinRate || rate > MixerMaxRate))
        return DSERR_INVALIDPARAM;
    voice.rate.store(rate, std::memory_order_relaxed);
    return DS_OK;
}

int32_t MixerSetVolume(MixerVoice& voice, int32_t volume)
{
    if (volume < MixerSilence || volume > 0)
        return DSERR_INVALIDPARAM;
    voice.volume.store(volume, std::memory_order_relaxed);
    return DS_OK;
}

void MixerRender(AudioMixer& mixer, int16_t* out, size_t frames, uint32_t outputRate)
{
    float mix[Chunk];
    float stream[Chunk];
    if (outputRate == 0) {
        for (size_t i = 0; i < frames; i++)
            out[i] = 0;
        return;
    }
    while (frames > 0) {
        size_t n = frames < Chunk ? frames : Chunk;
        for (size_t i = 0; i < n; i++)
            mix[i] = 0.0f;
        for (MixerVoice& voice : mixer.voices)
            if (voice.attached.load(std::memory_order_acquire) && voice.playing.load(std::memory_order_relaxed))
                MixVoice(voice, mix, n, outputRate);
        if (StreamRead(mixer.stream, stream, n, outputRate))
            for (size_t i = 0; i < n; i++)
                mix[i] += stream[i] / Headroom;
        for (size_t i = 0; i < n; i++)
            out[i] = static_cast<int16_t>(std::lrint(std::fmax(-1.0f, std::fmin(1.0f, mix[i] * Headroom)) * 32767.0f));
        out += n;
        frames -= n;
    }
}
