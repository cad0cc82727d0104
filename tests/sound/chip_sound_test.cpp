// The TED's sound as the chip makes it (Accuracy=1), heard through the
// runner's WAV: small programs in a test KERNAL set the voices or write
// the volume in step with the raster, and the recording is measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "audio_analysis.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

constexpr double SingleClock = 886723.75;               // PAL
constexpr double ToneConstant = SingleClock / 8;        // f = K / (1024 - R)
constexpr double LineRate = SingleClock / 57;
constexpr double Rate = 44100;
constexpr double VoiceUnit = 0.4 * 32767;               // one voice at full volume, peak to peak
constexpr uint16_t Origin = 0xF100;

// 6502 code assembled at Origin, with the few forms the programs need.
struct Code {
    std::vector<uint8_t> bytes;
    uint16_t Here() const { return static_cast<uint16_t>(Origin + bytes.size()); }
    Code& Op(std::initializer_list<uint8_t> b)
    {
        bytes.insert(bytes.end(), b);
        return *this;
    }
    Code& Store(uint8_t value, uint16_t address)   // LDA #value, STA address
    {
        return Op({0xA9, value, 0x8D, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8)});
    }
    Code& Branch(uint8_t opcode, uint16_t target)
    {
        return Op({opcode, static_cast<uint8_t>(target - (Here() + 2))});
    }
    Code& Jump(uint16_t target) { return Op({0x4C, static_cast<uint8_t>(target), static_cast<uint8_t>(target >> 8)}); }
    // Waits until the TED's line counter 0xFF1D has changed `lines` times
    // (Y is used).
    Code& WaitLines(uint8_t lines)
    {
        Op({0xA0, lines});                           // LDY #lines
        const uint16_t next = Here();
        Op({0xAD, 0x1D, 0xFF});                      // LDA $FF1D
        const uint16_t same = Here();
        Op({0xCD, 0x1D, 0xFF});                      // CMP $FF1D
        Branch(0xF0, same);                          // BEQ
        Op({0x88});                                  // DEY
        return Branch(0xD0, next);                   // BNE
    }
    // Both voices at their top counts, as sample players set them: voice 1
    // at 0x3FD, voice 2 held at 0x3FE.
    Code& DigiSetUp()
    {
        return Store(0xFD, 0xFF0E).Store(0xFE, 0xFF0F).Store(0x03, 0xFF10).Store(0x03, 0xFF12);
    }
};

// SEI, the voice's register value and 0xFF11, then an endless loop.
Code Tone(int voice, uint16_t value, uint8_t control)
{
    Code c;
    c.Op({0x78});
    c.Store(static_cast<uint8_t>(value), voice == 1 ? 0xFF0E : 0xFF0F);
    c.Store(static_cast<uint8_t>(value >> 8), voice == 1 ? 0xFF12 : 0xFF10);
    c.Store(control, 0xFF11);
    return c.Jump(c.Here());
}

// 0xFF11 written once per raster line, alternately high and low.
Code LineSquare(uint8_t high, uint8_t low)
{
    Code c;
    c.Op({0x78}).DigiSetUp();
    const uint16_t loop = c.Here();
    c.WaitLines(1).Store(high, 0xFF11).WaitLines(1).Store(low, 0xFF11);
    return c.Jump(loop);
}

class ChipSound : public ::testing::Test {
protected:
    // Runs the code for `frames` frames and returns what the runner recorded.
    std::vector<int16_t> Play(const Code& code, int frames = 100)
    {
        dir.WriteTinyRoms(Origin);
        std::vector<uint8_t> kernal = ReadBinaryFile(dir.path + "/kernal.bin");
        std::copy(code.bytes.begin(), code.bytes.end(), kernal.begin() + (Origin - 0xC000));
        dir.WriteFile("kernal.bin", kernal);
        RunnerResult r = RunHeadless("--frames " + std::to_string(frames) + " --wav out.wav");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        uint32_t rate = 0;
        std::vector<int16_t> s = ReadWavSamples(ReadBinaryFile(dir.path + "/out.wav"), &rate);
        EXPECT_EQ(rate, 44100u);
        // A PAL frame is 17,784 single clocks: about 884.5 samples.
        EXPECT_NEAR(static_cast<double>(s.size()), frames * 17784 / SingleClock * Rate, 900.0);
        return s;
    }
    // The steady part: the output stage's high-pass has settled.
    static size_t Settled() { return static_cast<size_t>(0.2 * Rate); }

    ScratchDirectory dir;
};

TEST_F(ChipSound, TonesFollowThePalFormulaOnBothVoices)
{
    const struct {
        int voice;
        uint16_t value;
        uint8_t control;   // voice on, volume 8
        double half;       // sound clocks per half period
    } cases[] = {
        {1, 800, 0x18, 224}, {2, 800, 0x28, 224}, {1, 0, 0x18, 1024}, {2, 1000, 0x28, 24},
        {1, 0x3F0, 0x18, 16},
        {2, 0x3FF, 0x28, 1024},   // the top value counts the whole range: the lowest tone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("voice " + std::to_string(c.voice) + ", " + std::to_string(c.value));
        const double pitch = ToneConstant / c.half;
        std::vector<int16_t> s = Play(Tone(c.voice, c.value, c.control));
        EXPECT_NEAR(ZeroCrossingFrequency(s, Settled(), s.size() - 100, Rate), pitch, pitch * 0.002);
        // A square of one voice unit: its fundamental is 4/pi of half the unit.
        if (pitch < 15000) {
            EXPECT_NEAR(ToneAmplitude(s, Settled(), s.size() - 100, Rate, pitch), 2 / M_PI * VoiceUnit, 0.04 * VoiceUnit);
        }
    }
}

// BASIC's SOUND on the PAL machine: 494.8 Hz for 800, not the NTSC 499.4.
TEST_F(ChipSound, BasicPlaysThePalPitch)
{
    REQUIRE_REAL_ROMS();
    dir.CopyRealRoms();
    RunnerResult r = RunHeadless("--type " + ShellQuote("VOL 8:SOUND 1,800,100\\n") + " --frames 300 --wav out.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    uint32_t rate = 0;
    std::vector<int16_t> s = ReadWavSamples(ReadBinaryFile(dir.path + "/out.wav"), &rate);
    auto [first, last] = AudibleSpan(s);
    ASSERT_LT(first + 20000, last) << "nothing was heard";
    const double pitch = ToneConstant / 224;
    EXPECT_NEAR(ZeroCrossingFrequency(s, first + 5000, last - 5000, Rate), pitch, pitch * 0.002);
}

// The options menu's sound switch silences the chip's sound from then on,
// and brings it back.
TEST_F(ChipSound, TheSoundSwitchSilencesAndRestores)
{
    dir.WriteText("switch.script",
                  "frames 50\n"
                  "press F7\npress O\npress ESC\n"   // off
                  "frames 50\n"
                  "press F7\npress O\npress ESC\n"   // on again
                  "frames 50\n");
    dir.WriteTinyRoms(Origin);
    std::vector<uint8_t> kernal = ReadBinaryFile(dir.path + "/kernal.bin");
    const Code tone = Tone(1, 800, 0x18);
    std::copy(tone.bytes.begin(), tone.bytes.end(), kernal.begin() + (Origin - 0xC000));
    dir.WriteFile("kernal.bin", kernal);
    RunnerResult r = RunHeadless("--script switch.script --wav out.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    uint32_t rate = 0;
    std::vector<int16_t> s = ReadWavSamples(ReadBinaryFile(dir.path + "/out.wav"), &rate);
    const size_t third = s.size() / 3;
    const double pitch = ToneConstant / 224;
    EXPECT_NEAR(ZeroCrossingFrequency(s, Settled(), third - 2000, Rate), pitch, pitch * 0.002);
    EXPECT_LT(Rms(s, third + 2000, 2 * third - 2000), 1.0) << "the tone played on while switched off";
    EXPECT_NEAR(ZeroCrossingFrequency(s, 2 * third + 2000, s.size() - 100, Rate), pitch, pitch * 0.002);
}

TEST_F(ChipSound, TonesAboveTheDevicesLimitLeaveNoAlias)
{
    // 0x3FD is about 36.9 kHz, 0x3FC 27.7 kHz: folded back at 44.1 kHz they
    // would land at 7.2 and 16.4 kHz.  0x3FE holds the output at 1: DC.
    for (uint16_t value : {0x3FD, 0x3FC, 0x3FE}) {
        SCOPED_TRACE(value);
        std::vector<int16_t> s = Play(Tone(1, value, 0x18), 50);
        // Under -70 dB of the voice's own square.
        EXPECT_LT(Rms(s, Settled(), s.size()), VoiceUnit / 2 * 0.0003);
    }
}

TEST_F(ChipSound, NoiseRepeatsEvery255Steps)
{
    // One step of the shift register per run-over of voice 2's counter: 16
    // sound clocks at 0x3F0, so the pattern repeats every 4080 sound clocks.
    std::vector<int16_t> s = Play(Tone(2, 0x3F0, 0x48));
    const double period = 255 * 16 * 4 / SingleClock * Rate;   // 811.7 samples
    const size_t lag = static_cast<size_t>(std::lround(period));
    EXPECT_GT(Rms(s, Settled(), s.size()), VoiceUnit / 4) << "no noise";
    EXPECT_GT(Autocorrelation(s, Settled(), s.size(), lag), 0.8);
    for (size_t shorter : {lag / 2, lag / 3, lag - 40})
        EXPECT_LT(std::fabs(Autocorrelation(s, Settled(), s.size(), shorter)), 0.3) << shorter;
}

TEST_F(ChipSound, VolumeWrittenEveryLineIsASquareOfTwoLines)
{
    // The level of each 0xFF11 value with voice 1 at 0x3FD and voice 2 held:
    // bit 7 holds both outputs at 1; without it voice 1's 36.9 kHz square is
    // heard as its average, half a unit.  Volume 0 is silence.
    const struct {
        uint8_t high, low;
        double units;   // peak to peak
    } cases[] = {
        {0xB8, 0xB0, 2.0}, {0x98, 0x90, 1.0}, {0x97, 0x90, 0.86}, {0x18, 0x10, 0.5},
        {0x38, 0x30, 1.5}, {0x78, 0x70, 1.5}, {0xFF, 0xF0, 2.0},
    };
    const double pitch = LineRate / 2;   // 7778.3 Hz
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.high) + "/" + std::to_string(c.low));
        std::vector<int16_t> s = Play(LineSquare(c.high, c.low), 50);
        EXPECT_NEAR(ZeroCrossingFrequency(s, Settled(), s.size() - 100, Rate), pitch, pitch * 0.002);
        EXPECT_NEAR(ToneAmplitude(s, Settled(), s.size() - 100, Rate, pitch), 2 / M_PI * c.units * VoiceUnit,
                    0.05 * VoiceUnit);
    }
}

TEST_F(ChipSound, AVolumeRampPlaysItsSixteenSteps)
{
    // 0xFF11 = 0xB0 + step, each held for 4 lines: a 16-step ramp of both
    // held voices, 64 lines a period.  Codes 8-15 all give full volume.
    Code c;
    c.Op({0x78}).DigiSetUp().Op({0xA2, 0xB0});   // LDX #$B0
    const uint16_t loop = c.Here();
    c.WaitLines(4).Op({0x8E, 0x11, 0xFF, 0xE8, 0xE0, 0xC0});   // STX $FF11, INX, CPX #$C0
    c.Branch(0xD0, loop).Op({0xA2, 0xB0}).Jump(loop);          // BNE loop, LDX #$B0
    std::vector<int16_t> s = Play(c, 150);
    const double period = 64 / LineRate * Rate;   // 181.4 samples
    EXPECT_NEAR(ZeroCrossingFrequency(s, Settled(), s.size() - 100, Rate), Rate / period, Rate / period * 0.002);

    constexpr int BinsPerStep = 8;
    std::vector<double> shape = FoldedPeriod(s, Settled(), s.size() - 200, period, 16 * BinsPerStep);
    // The fall from the top step to step 0 starts the ramp.
    size_t edge = 0;
    for (size_t k = 0; k < shape.size(); k++)
        if (shape[k] - shape[(k + 1) % shape.size()] > shape[edge] - shape[(edge + 1) % shape.size()])
            edge = k;
    auto step = [&](int n) { return shape[(edge + 1 + n * BinsPerStep + BinsPerStep / 2) % shape.size()]; };

    // The ideal staircase through the output stage's 16 Hz high-pass, which
    // tilts each step a little towards the mean.
    const double levels[16] = {0, 0.02, 0.16, 0.30, 0.44, 0.58, 0.72, 0.86, 1, 1, 1, 1, 1, 1, 1, 1};
    std::vector<int16_t> ideal(s.size());
    const double pole = std::exp(-2 * M_PI * 16 / Rate);
    double in = 0, out = 0;
    for (size_t i = 0; i < ideal.size(); i++) {
        const double x = 2 * VoiceUnit * levels[static_cast<int>(std::fmod(i, period) / period * 16)];
        out = x - in + pole * out;
        in = x;
        ideal[i] = static_cast<int16_t>(std::lround(out));
    }
    std::vector<double> expected = FoldedPeriod(ideal, 0, ideal.size(), period, 16 * BinsPerStep);
    auto expectedStep = [&](int n) { return expected[static_cast<size_t>(n * BinsPerStep + BinsPerStep / 2)]; };
    for (int n = 1; n < 16; n++)
        EXPECT_NEAR(step(n) - step(0), expectedStep(n) - expectedStep(0), 0.02 * VoiceUnit) << "step " << n;
}

}  // namespace
