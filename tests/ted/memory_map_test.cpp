// The memory map: RAM, ROM windows and banking, the I/O page and the TED
// register side effects, all through ReadByte and WriteByte.
#include <gtest/gtest.h>

#include "cpu/cpu.h"
#include "input/key_codes.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/headless/headless_control.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

class MemoryMapTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        std::vector<uint8_t> basic(RomSize), kernal(RomSize), lo(RomSize), hi(RomSize);
        for (uint32_t i = 0; i < RomSize; i++) {
            basic[i] = 0xB0;
            kernal[i] = 0xC0;
            lo[i] = 0x10;
            hi[i] = 0x20;
        }
        kernal[0x3F80] = 0x85;
        dir.WriteFile("basic.bin", basic);
        dir.WriteFile("kernal.bin", kernal);
        dir.WriteFile("3plus1lo.rom", lo);
        dir.WriteFile("3plus1hi.rom", hi);
        dir.WriteText("settings", "Plus4ROMS=1\nSoundEmulation=0\n");
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }
};

TEST_F(MemoryMapTest, ProcessorPortReadsOnesAndKeepsRam)
{
    Config.Accuracy = 0;   // the older model's port
    Ram64[1] = 0x12;
    WriteByte(0x0001, 0x07);
    EXPECT_EQ(Ram64[1], 0x12);
    EXPECT_EQ(ReadByte(0x0001), 0xFF);
    WriteByte(0x0000, 0x2F);
    EXPECT_EQ(ReadByte(0x0000), 0x2F);
}

// The measured model's port reads back its outputs; its inputs show the
// serial lines released, bit 5 absent and the read line low (no tape).
TEST_F(MemoryMapTest, ProcessorPortReadsBackItsOutputs)
{
    Ram64[1] = 0x12;
    WriteByte(0x0000, 0x0F);
    WriteByte(0x0001, 0x05);
    EXPECT_EQ(Ram64[1], 0x12);
    EXPECT_EQ(ReadByte(0x0001), 0xC5);
    WriteByte(0x0000, 0x00);   // all inputs: the outputs let go and float up
    EXPECT_EQ(ReadByte(0x0001), 0xCF);
}

TEST_F(MemoryMapTest, WritesUnderRomReachRam)
{
    WriteByte(0x9000, 0x42);
    WriteByte(0xE000, 0x43);
    EXPECT_EQ(Ram64[0x9000], 0x42);
    EXPECT_EQ(ReadByte(0x9000), 0xB0);
    EXPECT_EQ(ReadByte(0xE000), 0xC0);
    WriteByte(0xFF3F, 0);
    EXPECT_EQ(ReadByte(0x9000), 0x42);
    EXPECT_EQ(ReadByte(0xE000), 0x43);
    WriteByte(0xFF3E, 0);
    EXPECT_EQ(ReadByte(0x9000), 0xB0);
}

TEST_F(MemoryMapTest, BankingSelectsTheFunctionRomOnlyWhenBothHalvesLoaded)
{
    ASSERT_EQ(FunctionRomHalves, 2);
    WriteByte(0xFDD5, 0x00);
    EXPECT_EQ(Ted.RomBank, 5);
    EXPECT_EQ(ReadByte(0x8000), 0x10);
    EXPECT_EQ(ReadByte(0xC000), 0x20);
    EXPECT_EQ(ReadByte(0xFE00), 0x20);
    EXPECT_EQ(ReadByte(0xFFF0), 0x20);
    // The KERNAL's banking code at 0xFC00-0xFCFF stays in view in every bank.
    EXPECT_EQ(ReadByte(0xFC00), 0xC0);
    EXPECT_EQ(ReadByte(0xFCFF), 0xC0);
    EXPECT_EQ(ReadByte(0xFBFF), 0x20);
    // Banks 2 and 3 would be cartridges: the machine's own ROMs answer.
    WriteByte(0xFDDA, 0x00);
    EXPECT_EQ(ReadByte(0x8000), 0xB0);
    EXPECT_EQ(ReadByte(0xC000), 0xC0);
    WriteByte(0xFDDF, 0x00);
    EXPECT_EQ(ReadByte(0x8000), 0xB0);
    EXPECT_EQ(ReadByte(0xC000), 0xC0);
    FunctionRomHalves = 1;
    WriteByte(0xFDD5, 0x00);
    EXPECT_EQ(Ted.RomBank, 0);
    EXPECT_EQ(ReadByte(0x8000), 0xB0);
}

// A program writes 0x1000 and, ROM off, reads 0x5000, 0x9000 and 0xD000
// into 0xF0-0xF2: only the C16's 16 KiB answer with that byte.  The C16s
// have no function ROM to bank in.
TEST_F(MemoryMapTest, OnlyTheC16With16KRepeatsItsRam)
{
    const uint8_t program[] = {0x8D, 0x3F, 0xFF, 0xA9, 0xA5, 0x8D, 0x00, 0x10, 0xAD, 0x00, 0x50, 0x85, 0xF0,
                               0xAD, 0x00, 0x90, 0x85, 0xF1, 0xAD, 0x00, 0xD0, 0x85, 0xF2, 0x8D, 0x3E, 0xFF};
    for (uint8_t model : {ModelPlus4, ModelC16, ModelC16With64K}) {
        Config.Model = model;
        HardReset();
        for (uint16_t i = 0; i < sizeof program; i++)
            WriteByte(static_cast<uint16_t>(0x2000 + i), program[i]);
        for (Cpu.PC = 0x2000; Cpu.PC < 0x2000 + sizeof program;)
            ExecuteInstruction();
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(ReadByte(static_cast<uint16_t>(0xF0 + i)), model == ModelC16 ? 0xA5 : 0x00) << int(model) << i;
        WriteByte(0xFDD5, 0x00);
        EXPECT_EQ(Ted.RomBank, model == ModelPlus4 ? 5 : 0);
    }
}

TEST_F(MemoryMapTest, IoPageReads)
{
    EXPECT_EQ(ReadByte(0xFD10), 0x04);
    EXPECT_EQ(ReadByte(0xFD11), 0x00);
    EXPECT_EQ(ReadByte(0xFD30), 0xFF);
    EXPECT_EQ(ReadByte(0xFD3F), 0xFF);
    WriteByte(0xFDD3, 0x99);
    EXPECT_EQ(ReadByte(0xFDD3), 0x00);
    WriteByte(0xFD3A, 0x7F);
    EXPECT_EQ(Ram64[0xFD30], 0x7F);
    EXPECT_EQ(Ram64[0xFD3A], RamFillPattern(0xFD3A));
}

TEST_F(MemoryMapTest, InterruptEnableBitsAreOnlyEverAdded)
{
    Config.Accuracy = 0;   // the older model; the chip takes the value as written
    WriteByte(0xFF0A, 0x02);
    WriteByte(0xFF0A, 0x08);
    EXPECT_EQ(Ram64[0xFF0A], 0x0A);
    EXPECT_EQ(ReadByte(0xFF0A), 0xAA);
    WriteByte(0xFF0A, 0x01);
    EXPECT_EQ(Ted.RasterCompare, 0x100);
    EXPECT_EQ(ReadByte(0xFF0A), 0xAB);
    WriteByte(0xFF0B, 0x34);
    EXPECT_EQ(Ted.RasterCompare, 0x134);
    EXPECT_EQ(ReadByte(0xFF0B), 0x34);
}

TEST_F(MemoryMapTest, InterruptEnableTakesTheValueWritten)
{
    WriteByte(0xFF0A, 0x0A);
    WriteByte(0xFF0A, 0x02);
    EXPECT_EQ(ReadByte(0xFF0A), 0xA2);
}

TEST_F(MemoryMapTest, InterruptRequestsAreAcknowledgedByWritingOnes)
{
    Ram64[0xFF09] = 0x5A;
    WriteByte(0xFF09, 0x08);
    EXPECT_EQ(Ram64[0xFF09], 0x52);
    EXPECT_EQ(ReadByte(0xFF09), 0x77);
}

TEST_F(MemoryMapTest, TimersLoadThroughTheirRegisters)
{
    WriteByte(0xFF00, 0x34);
    EXPECT_EQ(Ted.Timer1Running, 0);
    WriteByte(0xFF01, 0x12);
    EXPECT_EQ(Ted.Timer1Counter, 0x1234);
    EXPECT_EQ(Ted.Timer1Latch, 0x1234);
    EXPECT_EQ(Ted.Timer1Running, 1);
    EXPECT_EQ(ReadByte(0xFF00), 0x34);
    EXPECT_EQ(ReadByte(0xFF01), 0x12);
    WriteByte(0xFF04, 0x78);
    WriteByte(0xFF05, 0x56);
    EXPECT_EQ(ReadByte(0xFF04), 0x78);
    EXPECT_EQ(ReadByte(0xFF05), 0x56);
    EXPECT_EQ(Ram64[0xFF00], 0);   // timer registers are not stored
}

TEST_F(MemoryMapTest, ClockAndRomBitsOfFF13)
{
    WriteByte(0xFF13, 0xD3);
    EXPECT_EQ(Ram64[0xFF13], 0xD0);
    EXPECT_EQ(Ted.SingleClock, 1);
    EXPECT_EQ(ReadByte(0xFF13), 0xD3);
    WriteByte(0xFF3F, 0);
    EXPECT_EQ(ReadByte(0xFF13), 0xD2);
    WriteByte(0xFF13, 0x00);
    EXPECT_EQ(Ted.SingleClock, 0);
    EXPECT_EQ(ReadByte(0xFF13), 0x00);
    EXPECT_EQ(Ram64[0xFF3F], 0);   // 0xFF3E/0xFF3F are not stored
}

TEST_F(MemoryMapTest, ReadOnlyCountersIgnoreWrites)
{
    Ted.RasterLine = 100;
    Ted.LinePosition = 40;
    WriteByte(0xFF1D, 0x00);
    EXPECT_EQ(Ted.RasterLine, 100);
    EXPECT_EQ(ReadByte(0xFF1D), 48);
    EXPECT_EQ(ReadByte(0xFF1C), 0xFE);
    EXPECT_EQ(ReadByte(0xFF1E), 8);
    Ted.RasterLine = 0;   // TED line 260
    EXPECT_EQ(ReadByte(0xFF1C), 0xFF);
    EXPECT_EQ(ReadByte(0xFF1D), 0x04);
}

TEST_F(MemoryMapTest, OtherRegisterReadsAddTheirFixedBits)
{
    WriteByte(0xFF0C, 0x00);
    EXPECT_EQ(ReadByte(0xFF0C), 0xFC);
    WriteByte(0xFF10, 0x01);
    EXPECT_EQ(Ram64[0xFF10], 0xFD);
    EXPECT_EQ(ReadByte(0xFF10), 0x7D);
    WriteByte(0xFF12, 0x00);
    EXPECT_EQ(ReadByte(0xFF12), 0xC0);
    EXPECT_EQ(ReadByte(0xFF20), 0xC0);   // no register for reads: ROM
}

TEST_F(MemoryMapTest, CharacterPositionAndVerticalSubAddress)
{
    Ted.RasterLine = 56 + 3 + 16;   // TED line 23: row (20 >> 3) = 2
    EXPECT_EQ(ReadByte(0xFF1A), 0xFC);
    EXPECT_EQ(ReadByte(0xFF1B), 80);
    EXPECT_EQ(ReadByte(0xFF1F) & 7, (23 - 3) & 7);
    Ted.RasterLine = 20;   // upper border: the position is past the matrix
    EXPECT_EQ(ReadByte(0xFF1A), 0xFF);
    EXPECT_EQ(ReadByte(0xFF1B), 0xE8);
    Ted.RasterLine = 53;   // TED line 1
    EXPECT_EQ(ReadByte(0xFF1F) & 7, 7);
    Ted.FlashCounter = 5;
    EXPECT_EQ(ReadByte(0xFF1F) & 0xF8, 0x80 | (5 << 3));
}

TEST_F(MemoryMapTest, SampleModeIsRecordedWithoutTouchingSoundControl)
{
    WriteByte(0xFF11, 0x8F);
    EXPECT_EQ(SoundRegs.DigiVolume, 8);
    EXPECT_EQ(SoundRegs.DigiChannels, 0);
    EXPECT_EQ(SoundRegs.DigiLevel, 0);
    EXPECT_EQ(SoundRegs.LastSoundControl, 0);
    EXPECT_EQ(SoundRegs.SoundVolume, 0);
    WriteByte(0xFF11, 0x0F);   // compared with 0x00, the last non-sample write
    EXPECT_EQ(SoundRegs.SoundVolume, 8);
    EXPECT_EQ(SoundRegs.LastSoundControl, 0x0F);
    WriteByte(0xFF11, 0xB5);
    EXPECT_EQ(SoundRegs.DigiChannels, 3);
    EXPECT_EQ(SoundRegs.DigiLevel, 10);
}

TEST_F(MemoryMapTest, VoiceFrequenciesCombineTheirRegisters)
{
    WriteByte(0xFF0E, 0x20);
    WriteByte(0xFF12, 0x03);
    EXPECT_EQ(SoundRegs.Voice1Frequency, 0x320);
    WriteByte(0xFF0F, 0x10);
    WriteByte(0xFF10, 0x02);
    EXPECT_EQ(SoundRegs.Voice2Frequency, 0x210);
}

TEST_F(MemoryMapTest, JoystickTwoReadsUpAndFireIntoTheLatch)
{
    JoystickMode = 2;
    Ram64[0xFD30] = 0xFF;   // no keyboard column selected
    HeadlessSetKey(DIK_UP, true);
    HeadlessSetKey(DIK_RCONTROL, true);
    WriteByte(0xFF08, 0xFD);
    EXPECT_EQ(Ram64[0xFF08], 0x7E);
    EXPECT_EQ(ReadByte(0xFF08), 0x7E);
    WriteByte(0xFF08, 0xFF);   // port 2 not selected
    EXPECT_EQ(Ram64[0xFF08], 0xFF);
    JoystickMode = 1;
    WriteByte(0xFF08, 0xFA);
    EXPECT_EQ(Ram64[0xFF08], 0xBE);
}

}  // namespace
