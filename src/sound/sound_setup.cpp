// The three looping one-second buffers: square waves for voices 1 and 2,
// white noise for voice 2's noise mode.
#include <cstdio>

#include "machine/log.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/setup.h"
#include "sound/sound.h"
#include "sound/ted_sound.h"

namespace {

constexpr uint32_t SampleRate = 22050;

// The classic C library generator, seeded with 27, gives the noise.
struct NoiseGenerator {
    uint32_t state;
    uint8_t Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<uint8_t>((state >> 16) & 0x7FFF);
    }
};

// Without a working sound device the machine still runs, silently: the
// failure is a warning in the log and on standard error, the sound objects
// made so far go, and the sound operations do nothing from then on.
int32_t SoundFailed(int32_t result, const char* what)
{
    LogLine("Warning: %s FAILED. Sound disabled.\n", what);
    std::fprintf(stderr, "ravlin: %s failed: starting without sound\n", what);
    SoundBuffer** buffers[3] = {&g_pDSBuffer1, &g_pDSBuffer2, &g_pDSBuffer3};
    for (SoundBuffer** buffer : buffers) {
        if (*buffer)
            SoundBufferRelease(*buffer);
        *buffer = nullptr;
    }
    if (g_pDS)
        SoundRelease(g_pDS);
    g_pDS = nullptr;
    Config.SoundEmulation = 0;
    return result;
}

void FillSquare(uint8_t* bytes, uint32_t count)
{
    // Eight samples high, eight low: one period is 16 samples.
    for (uint32_t i = 0; i < count; i++)
        bytes[i] = (i & 8) ? 0x00 : 0xFF;
}

void FillNoise(uint8_t* bytes, uint32_t count, NoiseGenerator& generator)
{
    for (uint32_t i = 0; i < count; i++)
        bytes[i] = generator.Next();
}

int32_t SetUpBuffer(int number, SoundBuffer** buffer, const WaveFormat* format)
{
    SoundBufferDesc desc{};
    desc.size = 20;
    desc.flags = 0x000100E2;
    desc.bufferBytes = format->averageBytesPerSecond;
    desc.reserved = 0;
    desc.format = format;
    int32_t result = SoundCreateBuffer(g_pDS, &desc, buffer);
    if (result < 0)
        return SoundFailed(result, "DirectSound->CreateSoundBuffer");
    LogLine("Info: DirectSound CreateSoundBuffer %d executed.\n", number);

    if (SoundBufferSetFrequency(*buffer, 0) != 0)
        LogLine("Warning: Cannot set frequency for sound channel %d.\n", number);
    if (SoundBufferSetPan(*buffer, 0) != 0)
        LogLine("Warning: Cannot set pan for sound channel %d.\n", number);
    if (SoundBufferSetVolume(*buffer, DSBVOLUME_MIN) != 0)
        LogLine("Warning: Cannot set volume for sound channel %d.\n", number);
    if (SoundBufferPlay(*buffer, DSBPLAY_LOOPING) != 0)
        LogLine("Warning: Cannot play sound channel %d.\n", number);

    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t bytes1 = 0, bytes2 = 0;
    result = SoundBufferLock(*buffer, 0, 0, &region1, &bytes1, &region2, &bytes2, DSBLOCK_ENTIREBUFFER);
    if (result < 0)
        return SoundFailed(result, "DirectSound->Lock");
    LogLine("Info: DirectSound Lock %d executed.\n", number);

    if (number == 3) {
        NoiseGenerator generator{27};
        if (region1) FillNoise(static_cast<uint8_t*>(region1), bytes1, generator);
        if (region2) FillNoise(static_cast<uint8_t*>(region2), bytes2, generator);
    } else {
        if (region1) FillSquare(static_cast<uint8_t*>(region1), bytes1);
        if (region2) FillSquare(static_cast<uint8_t*>(region2), bytes2);
    }

    result = SoundBufferUnlock(*buffer, region1, bytes1, region2, bytes2);
    if (result < 0)
        return SoundFailed(result, "DirectSound->UnLock");
    LogLine("Info: DirectSound Unlock %d executed.\n", number);
    return DS_OK;
}

}  // namespace

int32_t SetUpSound()
{
    static const WaveFormat format = {1, 1, SampleRate, SampleRate, 1, 8, 0};
    int32_t result = DirectSoundCreate(&g_pDS);
    if (result < 0)
        return SoundFailed(result, "DirectSoundCreate");
    LogLine("Info: DirectSound DirectSoundCreate executed.\n");
    result = SoundSetCooperativeLevel(g_pDS, MainWindow, DSSCL_PRIORITY);
    if (result < 0)
        return SoundFailed(result, "DirectSound->SetCooperativeLevel");
    LogLine("Info: DirectSound SetCooperativeLevel executed.\n");

    SoundBuffer** buffers[3] = {&g_pDSBuffer1, &g_pDSBuffer2, &g_pDSBuffer3};
    for (int n = 1; n <= 3; n++) {
        result = SetUpBuffer(n, buffers[n - 1], &format);
        if (result < 0)
            return result;
    }
    if (Config.Accuracy != 0) {
        // The chip's own sound: the buffers stay silent.
        TedSoundStart();
        if (TedSound.RateSent == 0)
            LogLine("Warning: Sound stream not started; the TED is silent.\n");
    }
    LogLine("Info: Sound system started.\n");
    return DS_OK;
}
