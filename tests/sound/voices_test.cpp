// The TED's sound registers reach the three buffers as volume and rate.
#include <gtest/gtest.h>

#include <cstring>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "sound/sound.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

class Voices : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteTinyRoms();
        dir.WriteText("settings", "Accuracy=0\n");   // the three buffers
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    static int32_t Volume(SoundBuffer* b) { return HeadlessSoundBuffer(b).volume; }
    static uint32_t Rate(SoundBuffer* b) { return HeadlessSoundBuffer(b).frequency; }

    ScratchDirectory dir;
};

TEST_F(Voices, VolumeTableRunsFromSilenceToMinusOneDecibel)
{
    const int16_t expected[9] = {-10000, -2800, -1800, -1250, -725, -500, -300, -200, -100};
    for (int v = 0; v < 9; v++) {
        EXPECT_EQ(DefaultVolumeTable[v], expected[v]);
        EXPECT_EQ(VolumeTable[v], expected[v]);
    }
}

TEST_F(Voices, Voice1OnAtVolume8)
{
    WriteByte(0xFF11, 0x18);
    EXPECT_EQ(Volume(g_pDSBuffer1), -100);
    EXPECT_EQ(Rate(g_pDSBuffer1), 1747u);   // register value 0
    EXPECT_EQ(Volume(g_pDSBuffer2), -10000);
    EXPECT_EQ(Volume(g_pDSBuffer3), -10000);
    // The frequency registers: low byte 0xFF0E, bits 8-9 in 0xFF12.
    WriteByte(0xFF0E, 0x20);
    WriteByte(0xFF12, 0x03);
    EXPECT_EQ(Rate(g_pDSBuffer1), FreqTable[800]);
    EXPECT_EQ(FreqTable[800], 7990u);       // 111860.781 / 224 * 16, truncated
    // Off: silent, the rate stays.
    WriteByte(0xFF11, 0x08);
    EXPECT_EQ(Volume(g_pDSBuffer1), -10000);
    EXPECT_EQ(Rate(g_pDSBuffer1), FreqTable[800]);
}

TEST_F(Voices, NoiseWinsOverSquareAtHalfRate)
{
    WriteByte(0xFF0F, 0x00);
    WriteByte(0xFF10, 0x02);   // voice 2 register value 0x200
    WriteByte(0xFF11, 0x68);
    EXPECT_EQ(Volume(g_pDSBuffer2), -10000);
    EXPECT_EQ(Volume(g_pDSBuffer3), -100);
    EXPECT_EQ(Rate(g_pDSBuffer3), FreqTable[0x200] >> 1);
    // Square only.
    WriteByte(0xFF11, 0x28);
    EXPECT_EQ(Volume(g_pDSBuffer2), -100);
    EXPECT_EQ(Volume(g_pDSBuffer3), -10000);
    EXPECT_EQ(Rate(g_pDSBuffer2), FreqTable[0x200]);
    // Both off.
    WriteByte(0xFF11, 0x08);
    EXPECT_EQ(Volume(g_pDSBuffer2), -10000);
    EXPECT_EQ(Volume(g_pDSBuffer3), -10000);
}

TEST_F(Voices, VolumesAboveEightActAsEight)
{
    WriteByte(0xFF11, 0x78);   // every voice on, volume 8
    SetVoice2Volume(12);
    EXPECT_EQ(Volume(g_pDSBuffer3), -100);
    EXPECT_EQ(Volume(g_pDSBuffer2), -10000);
    SetVoice1Volume(200);
    EXPECT_EQ(Volume(g_pDSBuffer1), -100);
    WriteByte(0xFF11, 0x7F);   // register volume 15 is 8 as well
    EXPECT_EQ(SoundRegs.SoundVolume, 8);
    EXPECT_EQ(Volume(g_pDSBuffer1), -100);
    SetVoice1Volume(3);
    EXPECT_EQ(Volume(g_pDSBuffer1), -1250);
}

TEST_F(Voices, VolumeZeroIsSilentWhileSwitchedOn)
{
    WriteByte(0xFF11, 0x34);
    EXPECT_EQ(Volume(g_pDSBuffer1), -725);
    EXPECT_EQ(Volume(g_pDSBuffer2), -725);
    WriteByte(0xFF11, 0x30);
    EXPECT_EQ(Volume(g_pDSBuffer1), -10000);
    EXPECT_EQ(Volume(g_pDSBuffer2), -10000);
    EXPECT_EQ(Volume(g_pDSBuffer3), -10000);
}

TEST_F(Voices, SoundSwitchedOffSilencesEveryVolume)
{
    for (int16_t& entry : VolumeTable)
        entry = -10000;
    for (uint8_t control : {0x18, 0x28, 0x48, 0x78, 0x1F, 0x35}) {
        WriteByte(0xFF11, control);
        WriteByte(0xFF0E, control);
        WriteByte(0xFF0F, control);
        for (SoundBuffer* buffer : {g_pDSBuffer1, g_pDSBuffer2, g_pDSBuffer3})
            EXPECT_EQ(Volume(buffer), -10000) << std::hex << int(control);
    }
    std::memcpy(VolumeTable, DefaultVolumeTable, sizeof VolumeTable);
    WriteByte(0xFF11, 0x00);
    WriteByte(0xFF11, 0x18);
    EXPECT_EQ(Volume(g_pDSBuffer1), -100);
}

TEST_F(Voices, EveryRegisterValueSoundsAndARefusedRateLeavesThePreviousOne)
{
    WriteByte(0xFF11, 0x18);
    WriteByte(0xFF0E, 0x00);
    WriteByte(0xFF12, 0x03);   // 0x300: 111860.781 / 256 Hz
    ASSERT_EQ(Rate(g_pDSBuffer1), FreqTable[0x300]);
    // The highest tones play the buffer far faster than a second's worth a
    // second: 1,789,772 samples a second for 0x3FF.
    for (uint8_t low : {0xF2, 0xFF}) {
        WriteByte(0xFF0E, low);
        EXPECT_EQ(Rate(g_pDSBuffer1), FreqTable[0x300 | low]) << int(low);
    }
    EXPECT_EQ(FreqTable[0x3FF], 1789772u);
    // Should the sound system refuse a rate, the previous one stays.
    HeadlessInjectFault(HeadlessCall::SetFrequency, DSERR_INVALIDPARAM);
    WriteByte(0xFF0E, 0x00);
    EXPECT_EQ(Rate(g_pDSBuffer1), FreqTable[0x3FF]);
    HeadlessClearFaults();
}

TEST_F(Voices, SampleOutputMakesNoSoundCalls)
{
    int calls = HeadlessSoundCallCount();
    WriteByte(0xFF11, 0x9F);
    EXPECT_EQ(HeadlessSoundCallCount(), calls);
    EXPECT_EQ(SoundRegs.DigiVolume, 8);
}

TEST(VoicesWithoutSound, RegisterWritesMakeNoSoundCalls)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    for (const char* setting : {"SoundEmulation=0\n", "SoundEmulation=2\n"}) {
        dir.WriteText("settings", setting);
        ASSERT_TRUE(BootMachine());
        ASSERT_EQ(g_pDS, nullptr);
        int calls = HeadlessSoundCallCount();
        for (uint8_t reg : {0x0E, 0x0F, 0x10, 0x11, 0x12})
            WriteByte(static_cast<uint16_t>(0xFF00 + reg), 0x78);
        UpdateVoice1();
        UpdateVoice2();
        SetVoice1Volume(8);
        SetVoice2Volume(8);
        EXPECT_EQ(HeadlessSoundCallCount(), calls) << setting;
    }
    ResetMachineToPowerOn();
}

}  // namespace
