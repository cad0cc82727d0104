// Accuracy=0: the TED's voices act only on the three buffers' volumes and
// playback rates; no samples are generated while the machine runs.  With
// Accuracy=1 the buffers stay silent and the chip's own generator
// (ted_sound.cpp) plays.
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "sound/sound.h"
#include "sound/ted_sound.h"

const int16_t DefaultVolumeTable[9] = {-10000, -2800, -1800, -1250, -725, -500, -300, -200, -100};
int16_t VolumeTable[9] = {-10000, -2800, -1800, -1250, -725, -500, -300, -200, -100};

namespace {

constexpr int32_t Silent = DSBVOLUME_MIN;

inline uint8_t SoundControl() { return Ram64[0xFF11]; }
inline bool Voice1On() { return SoundControl() & 0x10; }
inline bool Voice2Square() { return SoundControl() & 0x20; }
inline bool Voice2Noise() { return SoundControl() & 0x40; }
inline uint8_t Limit(uint8_t volume) { return volume > 8 ? 8 : volume; }
inline bool BuffersPlay() { return Config.SoundEmulation == 1 && Config.Accuracy == 0; }

}  // namespace

void UpdateVoice1()
{
    if (Config.Accuracy != 0) {
        TedSoundLoadRegisters();   // after a snapshot, or the same values again
        return;
    }
    if (!BuffersPlay())
        return;
    if (Voice1On()) {
        SoundBufferSetVolume(g_pDSBuffer1, VolumeTable[Limit(SoundRegs.SoundVolume)]);
        SoundBufferSetFrequency(g_pDSBuffer1, FreqTable[SoundRegs.Voice1Frequency & 0x3FF]);
    } else {
        SoundBufferSetVolume(g_pDSBuffer1, Silent);
    }
}

void UpdateVoice2()
{
    if (Config.Accuracy != 0) {
        TedSoundLoadRegisters();
        return;
    }
    if (!BuffersPlay())
        return;
    if (!Voice2Square() && !Voice2Noise()) {
        SoundBufferSetVolume(g_pDSBuffer2, Silent);
        SoundBufferSetVolume(g_pDSBuffer3, Silent);
    } else if (Voice2Noise()) {
        // Noise wins over the square wave; its buffer plays at half the rate.
        SoundBufferSetVolume(g_pDSBuffer2, Silent);
        SoundBufferSetVolume(g_pDSBuffer3, VolumeTable[Limit(SoundRegs.SoundVolume)]);
        SoundBufferSetFrequency(g_pDSBuffer3, FreqTable[SoundRegs.Voice2Frequency & 0x3FF] >> 1);
    } else {
        SoundBufferSetVolume(g_pDSBuffer3, Silent);
        SoundBufferSetVolume(g_pDSBuffer2, VolumeTable[Limit(SoundRegs.SoundVolume)]);
        SoundBufferSetFrequency(g_pDSBuffer2, FreqTable[SoundRegs.Voice2Frequency & 0x3FF]);
    }
}

void SetVoice1Volume(uint8_t volume)
{
    if (!BuffersPlay())
        return;
    volume = Limit(volume);
    SoundBufferSetVolume(g_pDSBuffer1, Voice1On() ? VolumeTable[volume] : Silent);
}

void SetVoice2Volume(uint8_t volume)
{
    if (!BuffersPlay())
        return;
    volume = Limit(volume);
    if (!Voice2Square() && !Voice2Noise()) {
        SoundBufferSetVolume(g_pDSBuffer2, Silent);
        SoundBufferSetVolume(g_pDSBuffer3, Silent);
    } else if (Voice2Noise()) {
        SoundBufferSetVolume(g_pDSBuffer3, VolumeTable[volume]);
        SoundBufferSetVolume(g_pDSBuffer2, Silent);
    } else {
        SoundBufferSetVolume(g_pDSBuffer2, VolumeTable[volume]);
        SoundBufferSetVolume(g_pDSBuffer3, Silent);
    }
}
