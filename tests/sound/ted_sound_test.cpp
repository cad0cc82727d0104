// The TED's sound generator against the single clock: spans, jumps, and
// the shift register's period.
#include <gtest/gtest.h>

#include <vector>

#include "machine/settings.h"
#include "platform/sound_stream.h"
#include "sound/ted_sound.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

class TedSoundClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
        ASSERT_TRUE(TedSoundActive());
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    // Sound clocks made since the block was last emptied.
    static uint64_t Made()
    {
        uint64_t clocks = 0;
        for (uint32_t i = 0; i < TedSound.BlockFill; i++)
            clocks += TedSound.Block[i].clocks;
        return clocks;
    }
    ScratchDirectory dir;
};

TEST_F(TedSoundClock, OneLevelEveryFourSingleClocksAndNoneAcrossAJump)
{
    TedSound.BlockFill = 0;
    const uint64_t start = TedSound.GeneratedTo - TedSound.GeneratedTo % 4;
    TedSoundCatchUp(start + 400);
    EXPECT_EQ(Made(), 100u);
    TedSoundCatchUp(start + 402);
    TedSoundCatchUp(start + 405);
    EXPECT_EQ(Made(), 101u) << "the sound clock ticks on every fourth single clock";
    // Back to an earlier count (a reset), or far ahead (a snapshot): the
    // generator starts again from there.
    TedSoundCatchUp(start);
    TedSoundCatchUp(start + 100'000'000);
    EXPECT_EQ(Made(), 101u);
    EXPECT_EQ(TedSound.GeneratedTo, start + 100'000'000);
    TedSoundCatchUp(start + 100'000'040);
    EXPECT_EQ(Made(), 111u);
}

TEST_F(TedSoundClock, NoiseRepeatsAfter255ShiftsAndBitSevenHoldsTheCounters)
{
    WriteByte(0xFF0F, 0xF0);
    WriteByte(0xFF10, 0x03);   // voice 2 at 0x3F0: a shift every 16 sound clocks
    WriteByte(0xFF11, 0x48);
    uint64_t at = TedSound.GeneratedTo;
    TedSoundCatchUp(at += 4 * 1100);   // the count begun before the write ends first
    const uint8_t state = TedSound.Noise;
    int period = 0;
    do {
        TedSoundCatchUp(at += 4 * 16);
        period++;
    } while (TedSound.Noise != state && period < 1000);
    EXPECT_EQ(period, 255);

    WriteByte(0xFF11, 0xC8);   // bit 7: outputs at 1, counters at their values
    TedSoundCatchUp(at += 4 * 1000);
    EXPECT_EQ(TedSound.Noise, state);
    EXPECT_EQ(TedSound.Voice[1].Remaining, 16);
    EXPECT_FLOAT_EQ(TedSoundLevel(), 1.0f);
}

TEST_F(TedSoundClock, AVoiceAboveTheFilterIsMadeAsItsMeanAndKeepsItsPhase)
{
    TedSoundCatchUp(TedSound.GeneratedTo + 40);
    TedSoundFrameEnd();   // the device makes its filter for the first sound it is given
    ASSERT_GT(StreamStopBandHz(), 0.0f);
    WriteByte(0xFF0E, 0xFD);
    WriteByte(0xFF12, 0x03);   // voice 1 at 0x3FD: 36.9 kHz, above the filter
    WriteByte(0xFF11, 0x18);
    uint64_t at = TedSound.GeneratedTo;
    TedSoundCatchUp(at += 4 * 1100);   // the count begun before the write ends first
    // The counter as the chip runs it, one sound clock at a time.
    uint16_t remaining = TedSound.Voice[0].Remaining, half = 3;
    uint8_t output = TedSound.Voice[0].Output;
    auto tick = [&] {
        const uint8_t level = output;
        if (--remaining == 0) {
            output ^= 1;
            remaining = half;
        }
        return level;
    };
    TedSound.BlockFill = 0;
    TedSoundCatchUp(at += 4 * 1000);
    ASSERT_EQ(TedSound.BlockFill, 1u) << "its edges were drawn";
    EXPECT_FLOAT_EQ(TedSound.Block[0].level, 0.5f);
    for (int n = 0; n < 1000; n++)
        tick();

    WriteByte(0xFF0E, 0xC0);   // 0x3C0: 1.7 kHz, drawn edge by edge from where the counter is
    half = 64;
    at = TedSound.GeneratedTo;
    TedSound.BlockFill = 0;
    TedSoundCatchUp(at += 4 * 700);
    std::vector<float> made, expected;
    for (uint32_t i = 0; i < TedSound.BlockFill; i++)
        made.insert(made.end(), TedSound.Block[i].clocks, TedSound.Block[i].level);
    for (int n = 0; n < 700; n++)
        expected.push_back(static_cast<float>(tick()));
    // The first three clocks also carry the audible part of what the mean
    // left out.
    ASSERT_EQ(made.size(), expected.size());
    EXPECT_EQ(std::vector<float>(made.begin() + 3, made.end()), std::vector<float>(expected.begin() + 3, expected.end()));
}

TEST(TedSoundOlderModel, AccuracyZeroLeavesTheGeneratorIdle)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    dir.WriteText("settings", "Accuracy=0\n");
    ASSERT_TRUE(BootMachine());
    EXPECT_FALSE(TedSoundActive());
    TedSound.BlockFill = 0;
    TedSoundCatchUp(TedSound.GeneratedTo + 4000);
    EXPECT_EQ(TedSound.BlockFill, 0u);
    ResetMachineToPowerOn();
}

}  // namespace
