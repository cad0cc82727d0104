// The mixer both backends play through: rates, volumes, mixing headroom,
// and what the headless backend records over emulated time.
#include <gtest/gtest.h>

#include "audio_analysis.h"
#include "machine/machine_state.h"
#include "platform/audio_mixer.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "platform/setup.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

constexpr uint32_t OutputRate = 44100;

// A voice holding the machine's square wave: 8 samples high, 8 low.
MixerVoice* SquareVoice(AudioMixer& mixer, uint32_t rate, int32_t volume)
{
    MixerVoice* voice = MixerClaimVoice(mixer, 22050, 22050);
    for (size_t i = 0; i < voice->samples.size(); i++)
        voice->samples[i] = (i & 8) ? 0x00 : 0xFF;
    EXPECT_EQ(MixerSetRate(*voice, rate), DS_OK);
    EXPECT_EQ(MixerSetVolume(*voice, volume), DS_OK);
    voice->playing = true;
    MixerAttach(*voice);
    return voice;
}

std::vector<int16_t> Render(AudioMixer& mixer, size_t frames)
{
    std::vector<int16_t> out(frames);
    MixerRender(mixer, out.data(), frames, OutputRate);
    return out;
}

TEST(AudioMixer, GainIsTenToTheVolumeOver2000)
{
    EXPECT_EQ(MixerGain(-10000), 0.0f);
    EXPECT_FLOAT_EQ(MixerGain(0), 1.0f);
    EXPECT_NEAR(MixerGain(-2000), 0.1, 1e-6);
    EXPECT_NEAR(MixerGain(-100), 0.891251, 1e-5);
    EXPECT_NEAR(MixerGain(-9999), 1.00115e-5, 1e-9);
}

TEST(AudioMixer, RatesAndVolumesOutOfRangeAreRefused)
{
    AudioMixer mixer;
    MixerVoice* voice = MixerClaimVoice(mixer, 16, 22050);
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(MixerSetRate(*voice, 5000), DS_OK);
    for (uint32_t bad : {1u, 99u, 2000001u})
        EXPECT_EQ(MixerSetRate(*voice, bad), DSERR_INVALIDPARAM) << bad;
    EXPECT_EQ(voice->rate.load(), 5000u);
    // Up to the highest rate the TED's voices ask for, and more.
    for (uint32_t good : {100u, 100000u, 1789772u, 2000000u, 0u})
        EXPECT_EQ(MixerSetRate(*voice, good), DS_OK) << good;
    EXPECT_EQ(MixerSetVolume(*voice, -500), DS_OK);
    EXPECT_EQ(MixerSetVolume(*voice, 1), DSERR_INVALIDPARAM);
    EXPECT_EQ(MixerSetVolume(*voice, -10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(voice->volume.load(), -500);
    EXPECT_EQ(MixerClaimVoice(mixer, 0, 22050), nullptr);
}

TEST(AudioMixer, ASquareBufferSoundsAtItsRateOverSixteen)
{
    for (uint32_t n : {0u, 800u, 1000u}) {
        // The rates the machine's tone registers give, up to 74,574 a second,
        // above the output rate.
        AudioMixer mixer;
        SquareVoice(mixer, FreqTable[n] ? FreqTable[n] : static_cast<uint32_t>(111860.781 / (1024 - n) * 16), 0);
        std::vector<int16_t> out = Render(mixer, OutputRate);
        double expected = 111860.781 / (1024 - n);
        EXPECT_NEAR(ZeroCrossingFrequency(out, 1000, out.size(), OutputRate), expected, expected * 0.002) << n;
    }
}

TEST(AudioMixer, SilentVoicesGiveExactZeros)
{
    AudioMixer mixer;
    SquareVoice(mixer, 8000, -10000);
    MixerVoice* paused = SquareVoice(mixer, 8000, 0);
    paused->playing = false;
    std::vector<int16_t> out = Render(mixer, 4096);
    EXPECT_EQ(PeakAbs(out, 0, out.size()), 0);
}

TEST(AudioMixer, ThreeFullVoicesMixWithoutClipping)
{
    AudioMixer one, three;
    SquareVoice(one, 8000, 0);
    for (int i = 0; i < 3; i++)
        SquareVoice(three, 8000, 0);
    std::vector<int16_t> a = Render(one, 8192), b = Render(three, 8192);
    // Three in-phase voices sum to three times one, up to rounding, right up
    // to the edge of the sample range.
    for (size_t i = 0; i < a.size(); i++)
        ASSERT_NEAR(b[i], 3 * a[i], 2) << i;
    EXPECT_GE(PeakAbs(b, 0, b.size()), 32700);
}

TEST(AudioMixer, VolumeChangesRampInsteadOfClicking)
{
    AudioMixer mixer;
    MixerVoice* voice = SquareVoice(mixer, 22050, -10000);
    Render(mixer, 100);
    voice->volume = 0;
    std::vector<int16_t> out = Render(mixer, 1000);
    // The first high plateau is far below full level; later ones reach it.
    EXPECT_LT(PeakAbs(out, 0, 8), 2000);
    EXPECT_GT(PeakAbs(out, 500, 1000), 10000);
}

class HeadlessRecording : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteTinyRoms();
        dir.WriteText("settings", "Accuracy=0\n");   // the three buffers
        ASSERT_TRUE(BootMachine());
        HeadlessCaptureAudio(true);
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    static void Frames(int n)
    {
        for (int i = 0; i < n; i++)
            WaitVerticalBlank();
    }
    ScratchDirectory dir;
};

TEST_F(HeadlessRecording, EachFrameRecordsOneFiftiethOfASecond)
{
    Frames(10);
    WriteByte(0xFF0E, 0x20);
    WriteByte(0xFF12, 0x03);   // voice 1 at register value 800
    WriteByte(0xFF11, 0x18);
    Frames(50);
    WriteByte(0xFF11, 0x08);
    Frames(10);
    const std::vector<int16_t>& audio = HeadlessAudio();
    ASSERT_EQ(audio.size(), 70u * OutputRate / 50);
    auto [first, last] = AudibleSpan(audio);
    EXPECT_NEAR(static_cast<double>(first), 10.0 * 882, 10);
    EXPECT_NEAR(static_cast<double>(last), 60.0 * 882, 300);   // the fade takes a few ms
    EXPECT_EQ(PeakAbs(audio, 0, 10 * 882), 0);
    EXPECT_EQ(PeakAbs(audio, 62 * 882, audio.size()), 0);
    double expected = 111860.781 / 224;
    EXPECT_NEAR(ZeroCrossingFrequency(audio, 11 * 882, 59 * 882, OutputRate), expected, expected * 0.01);
}

TEST_F(HeadlessRecording, NothingIsRecordedWhenCaptureIsOff)
{
    HeadlessCaptureAudio(false);
    WriteByte(0xFF11, 0x18);
    Frames(5);
    EXPECT_TRUE(HeadlessAudio().empty());
}

}  // namespace
