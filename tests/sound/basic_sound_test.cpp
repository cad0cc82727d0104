// BASIC's SOUND and VOL heard through the headless runner's recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio_analysis.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

// Intervals between rising crossings: their spread over their mean is near
// 0 for a tone and large for noise.
double CrossingIrregularity(const std::vector<int16_t>& s, size_t from, size_t to)
{
    std::vector<double> at;
    for (size_t i = from + 1; i < to; i++)
        if (s[i - 1] < 0 && s[i] >= 0)
            at.push_back(static_cast<double>(i));
    if (at.size() < 3)
        return 0;
    double mean = (at.back() - at.front()) / static_cast<double>(at.size() - 1);
    double variance = 0;
    for (size_t i = 1; i < at.size(); i++)
        variance += (at[i] - at[i - 1] - mean) * (at[i] - at[i - 1] - mean);
    return std::sqrt(variance / static_cast<double>(at.size() - 1)) / mean;
}

constexpr double Voice800 = 111860.781 / (1024 - 800);

class BasicSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        dir.CopyRealRoms();
        dir.WriteText("settings", "Accuracy=0\n");   // the three buffers
    }

    // Types the command and records 400 frames of what the machine plays.
    std::vector<int16_t> Play(const std::string& command)
    {
        RunnerResult r = RunHeadless("--type " + ShellQuote(command + "\\n") + " --frames 400 --wav out.wav");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::vector<int16_t> samples = ReadWavSamples(ReadBinaryFile(dir.path + "/out.wav"), &rate);
        EXPECT_EQ(rate, 44100u);
        EXPECT_EQ(samples.size(), 400u * 882) << "one fiftieth of a second per frame";
        return samples;
    }

    ScratchDirectory dir;
    uint32_t rate = 0;
};

// The register value's pitch, 111860.781 / (1024 - n) Hz, up to the high
// notes whose buffer rates pass 100,000 samples a second (n 1007 and up).
TEST_F(BasicSound, ToneOnEitherVoiceAtTheRegisterFrequency)
{
    const struct {
        const char* voice;
        int value;
    } cases[] = {{"1", 800}, {"2", 800}, {"1", 1010}, {"2", 1010}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.voice) + ", " + std::to_string(c.value));
        const double pitch = 111860.781 / (1024 - c.value);
        std::vector<int16_t> s = Play(std::string("VOL 8:SOUND ") + c.voice + "," + std::to_string(c.value) + ",100");
        // Exact silence until the command runs and after its 100 jiffies.
        auto [first, last] = AudibleSpan(s, 0);
        ASSERT_LT(first, last) << "nothing was heard";
        EXPECT_GT(first, 60u * 882);
        EXPECT_LT(last, s.size() - 882 * 10);
        EXPECT_NEAR(static_cast<double>(last - first) / rate, 2.0, 0.05);   // 100 jiffies of 1/50 s
        EXPECT_NEAR(ZeroCrossingFrequency(s, first + 2000, last - 2000, rate), pitch, pitch * 0.01);
        if (c.value == 800) {
            EXPECT_LT(CrossingIrregularity(s, first + 2000, last - 2000), 0.05);
            // Volume 8 is -1 dB, a third of the mixer's range.
            EXPECT_NEAR(Rms(s, first + 2000, last - 2000), 0.891 / 3 * 32767, 400);
        }
    }
}

// The options menu's sound switch acts on what plays now: off silences the
// tone at once, on brings it back from the registers.
TEST_F(BasicSound, TheSoundSwitchSilencesAndRestoresWhatPlays)
{
    dir.WriteText("switch.script",
                  "frames 60\n"
                  "type VOL 8:SOUND 1,800,400\\n\n"
                  "frames 40\n"
                  "press F7\npress O\npress ESC\n"   // off
                  "frames 50\n"
                  "press F7\npress O\npress ESC\n"   // on again
                  "frames 50\n");
    RunnerResult r = RunHeadless("--script switch.script --wav out.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<int16_t> s = ReadWavSamples(ReadBinaryFile(dir.path + "/out.wav"), &rate);
    auto [first, last] = AudibleSpan(s, 0);
    ASSERT_LT(first, last) << "nothing was heard";
    // Silent from the first menu, through the time switched off, to the
    // end of the second: not just for the two menus' few frames.
    EXPECT_GT(std::count(s.begin() + static_cast<long>(first), s.begin() + static_cast<long>(last), 0), 882 * 50)
        << "the tone played on after the switch";
    EXPECT_EQ(last, s.size()) << "the tone did not come back";
    EXPECT_NEAR(ZeroCrossingFrequency(s, last - 20000, last, rate), Voice800, Voice800 * 0.01);
}

TEST_F(BasicSound, NoiseOnVoiceThree)
{
    std::vector<int16_t> s = Play("VOL 8:SOUND 3,800,100");
    auto [first, last] = AudibleSpan(s, 0);
    ASSERT_LT(first, last) << "nothing was heard";
    EXPECT_GT(first, 60u * 882);
    EXPECT_LT(last, s.size() - 882 * 10);
    EXPECT_NEAR(static_cast<double>(last - first) / rate, 2.0, 0.05);
    EXPECT_GT(CrossingIrregularity(s, first + 2000, last - 2000), 0.3) << "not noise";
}

TEST_F(BasicSound, VolumeZeroIsSilence)
{
    std::vector<int16_t> s = Play("VOL 0:SOUND 1,800,100");
    EXPECT_EQ(PeakAbs(s, 0, s.size()), 0);
}

}  // namespace
