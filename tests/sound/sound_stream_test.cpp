// The stream between the TED's generator and a real-time device: paced by
// the device, it neither runs dry nor lets the delay grow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/sound_stream.h"

namespace {

constexpr double ChipRate = 886723.75 / 4;
constexpr uint32_t DeviceRate = 48000;
constexpr size_t Period = 512;                   // the SDL backend's
constexpr uint32_t LevelsPerFrame = 17784 / 4;   // one PAL frame

// Ten minutes of a machine paced at 50 frames a second (0.28% faster than
// the PAL frame's own rate) handing its frames over with a few ms of
// jitter, against a device taking 512 samples at a time on its own clock.
TEST(PacedStream, TenMinutesWithoutUnderrunsAndWithinFiftyMilliseconds)
{
    SoundStream s;
    ASSERT_TRUE(StreamSetInputRate(s, ChipRate, true));
    std::vector<SoundLevelRun> frame;
    for (uint32_t i = 0; i < LevelsPerFrame; i += 224)   // a 494.8 Hz square
        frame.push_back({(i / 224) % 2 ? 1.0f : 0.0f, std::min(224u, LevelsPerFrame - i)});
    std::vector<float> out(Period);

    const double end = 600.0;
    double nextFrame = 0.0, nextRead = 0.0;
    long frames = 0;
    uint32_t seed = 1;
    double longest = 0.0;
    while (nextFrame < end || nextRead < end) {
        if (nextRead <= nextFrame) {
            StreamRead(s, out.data(), Period, DeviceRate);
            // Delay of the newest sample: what is queued plus the period
            // the device is playing.
            if (nextRead > 5.0)
                longest = std::max(longest, static_cast<double>(StreamQueued(s) + Period) / DeviceRate);
            nextRead += static_cast<double>(Period) / DeviceRate;
        } else {
            StreamWrite(s, frame.data(), static_cast<uint32_t>(frame.size()));
            seed = seed * 1103515245u + 12345u;
            const double jitter = (static_cast<int>((seed >> 16) % 9) - 4) / 1000.0;   // -4 to +4 ms
            nextFrame = static_cast<double>(++frames) * 0.02 + jitter;
        }
    }
    EXPECT_EQ(s.underruns.load(), 0u);
    EXPECT_LE(longest, 0.050);
    EXPECT_EQ(s.dropped.load(), 0u);
}

TEST(PacedStream, RunningDryCountsOneUnderrunAndHoldsTheLastSample)
{
    SoundStream s;
    ASSERT_TRUE(StreamSetInputRate(s, ChipRate, true));
    std::vector<float> out(Period);
    StreamRead(s, out.data(), Period, DeviceRate);   // the device's rate reaches the writer
    const SoundLevelRun run = {1.0f, static_cast<uint32_t>(ChipRate * 0.05)};
    StreamWrite(s, &run, 1);
    for (int i = 0; i < 20; i++)
        StreamRead(s, out.data(), Period, DeviceRate);
    EXPECT_EQ(s.underruns.load(), 1u) << "one dry spell, however long";
    EXPECT_EQ(out.front(), out.back());
}

// Back from a pause of the device (a menu, warp) the queue is cut back to
// the usual delay at once, not played late for seconds.
TEST(PacedStream, APauseLeavesNoLongDelay)
{
    SoundStream s;
    ASSERT_TRUE(StreamSetInputRate(s, ChipRate, true));
    std::vector<float> out(Period);
    StreamRead(s, out.data(), Period, DeviceRate);
    const SoundLevelRun run = {1.0f, static_cast<uint32_t>(ChipRate * 0.07)};
    StreamWrite(s, &run, 1);
    ASSERT_GT(StreamQueued(s), DeviceRate * 0.06);
    StreamRead(s, out.data(), Period, DeviceRate);
    EXPECT_NEAR(static_cast<double>(StreamQueued(s) + Period), StreamPacedQueueSeconds * DeviceRate, 1.0);
}

// Unpaced (the runner): every level converted at exactly the two rates.
TEST(UnpacedStream, ConvertsEveryLevelAtTheExactRatio)
{
    SoundStream s;
    s.outputRate.store(44100);
    ASSERT_TRUE(StreamSetInputRate(s, ChipRate, false));
    const SoundLevelRun runs[2] = {{0.5f, 60000}, {0.0f, 40000}};
    ASSERT_TRUE(StreamWrite(s, runs, 2));
    EXPECT_NEAR(static_cast<double>(StreamQueued(s)), 100000.0 * 44100 / ChipRate, 1.0);
    EXPECT_FALSE(StreamSetInputRate(s, 0.0, false));
    EXPECT_FALSE(StreamSetInputRate(s, 1e12, false));
}

}  // namespace
