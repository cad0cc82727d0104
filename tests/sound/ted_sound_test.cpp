// The TED's sound generator against the single clock: spans, jumps, and
// the shift register's period.
#include <gtest/gtest.h>

#include "machine/settings.h"
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
