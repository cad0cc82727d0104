// Processor state: stack, words, status packing and the arithmetic steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "cpu/cpu.h"
#include "files/snapshot_file.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "support/test_support.h"

namespace {

class CpuStateTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }
};

TEST_F(CpuStateTest, StackWrapsInsidePageOne)
{
    Cpu.SP = 0x00;
    PushByte(0x12);
    EXPECT_EQ(Ram64[0x0100], 0x12);
    EXPECT_EQ(Cpu.SP, 0xFF);
    Cpu.SP = 0xFF;
    EXPECT_EQ(PullByte(), Ram64[0x0100]);
    EXPECT_EQ(Cpu.SP, 0x00);

    Cpu.SP = 0x00;
    PushWord(0xABCD);
    EXPECT_EQ(Ram64[0x0100], 0xAB);
    EXPECT_EQ(Ram64[0x01FF], 0xCD);
    EXPECT_EQ(Cpu.SP, 0xFE);
    EXPECT_EQ(PullWord(), 0xABCD);
    EXPECT_EQ(Cpu.SP, 0x00);
}

TEST_F(CpuStateTest, ReadWordDoesNotWrapInsideAPage)
{
    Ram64[0x00FF] = 0x34;
    Ram64[0x0100] = 0x12;
    EXPECT_EQ(ReadWord(0x00FF), 0x1234);
    Ted.RomEnabled = 0;
    Ram64[0xFFFF] = 0x78;
    Ram64[0x0000] = 0x56;
    EXPECT_EQ(ReadWord(0xFFFF), 0x5678);
}

TEST_F(CpuStateTest, StatusFormsDifferInBitsFiveFourAndTwo)
{
    Cpu.FlagN = 0x80;
    Cpu.FlagV = 0x40;
    Cpu.FlagB = 1;
    Cpu.FlagD = 1;
    Cpu.FlagI = 1;
    Cpu.FlagZ = 1;
    Cpu.FlagC = 0x80;
    EXPECT_EQ(PackStatusPhp(), 0xDF);
    EXPECT_EQ(PackStatusBrk(), 0xFB);
    EXPECT_EQ(PackStatusInterrupt(), 0xCF);
    Cpu = CpuRegisters{};
    EXPECT_EQ(PackStatusPhp(), 0x00);
    EXPECT_EQ(PackStatusBrk(), 0x30);

    UnpackStatus(0xFF);
    EXPECT_EQ(OperandLatch, 0xFF);
    EXPECT_EQ(PackStatusPhp(), 0xDF);   // bit 5 is never stored
    EXPECT_EQ(Cpu.FlagB, 1);
}

TEST_F(CpuStateTest, OlderModelEnterInterruptPushesPcThenStatusWithBreakClear)
{
    Config.Accuracy = 0;
    Cpu.PC = 0x1234;
    Cpu.SP = 0xFF;
    Cpu.FlagB = 1;
    Cpu.FlagI = 1;
    EnterInterrupt();
    EXPECT_EQ(Ram64[0x01FF], 0x12);
    EXPECT_EQ(Ram64[0x01FE], 0x34);
    EXPECT_EQ(Ram64[0x01FD], 0x04);
    EXPECT_EQ(Cpu.SP, 0xFC);
    EXPECT_EQ(Cpu.PC, 0x1234);
}

// The snapshot keeps the older model's status byte, N V 0 B D I Z C, in
// both models.  With Accuracy=1 no B flag is kept, so bits 5 and 4 are
// stored 0, and the program goes on as it would have.
TEST_F(CpuStateTest, NmosStatusResumesFromASnapshot)
{
    const uint8_t program[] = {0xA9, 0xFF, 0x48, 0x28, 0x08, 0x68};  // LDA #$FF PHA PLP | PHP PLA
    std::copy(std::begin(program), std::end(program), Ram64 + 0x2000);
    Cpu.PC = 0x2000;
    for (int i = 0; i < 3; i++)
        ExecuteInstruction();
    ASSERT_TRUE(SaveSnapshotFile("nmos.fre"));
    EXPECT_EQ(ReadBinaryFile("nmos.fre").at(8), 0xCF);  // after two 16-bit fields and PC

    UnpackStatus(0x10);
    ASSERT_TRUE(LoadSnapshotFile("nmos.fre"));
    EXPECT_EQ(Cpu.PC, 0x2004);
    EXPECT_EQ(Cpu.FlagB, 0);
    ExecuteInstruction();
    ExecuteInstruction();
    EXPECT_EQ(Cpu.AC, 0xFF);
}

struct ArithmeticCase {
    void (*step)();
    bool decimal;
    uint8_t ac, operand, carryIn;
    uint8_t result, carry, zero, negative, overflow;
    uint8_t overflowBefore;
};

TEST_F(CpuStateTest, WorkedArithmeticValues)
{
    const ArithmeticCase cases[] = {
        {AddDecimal, true, 0x58, 0x46, 1, 0x05, 1, 0, 0, 0, 1},
        {AddDecimal, true, 0x99, 0x01, 0, 0x00, 1, 1, 0, 0, 1},
        {SubtractDecimal, true, 0x10, 0x01, 1, 0x09, 1, 0, 0, 1, 1},   // V unchanged
        {SubtractDecimal, true, 0x00, 0x01, 1, 0x99, 0, 0, 1, 0, 0},
        {SubtractBinary, false, 0x80, 0x01, 1, 0x7F, 1, 0, 0, 1, 0},
        {AddBinary, false, 0x7F, 0x01, 0, 0x80, 0, 0, 1, 1, 0},
        {AddBinary, false, 0xFF, 0x01, 0, 0x00, 1, 1, 0, 0, 1},
        {SubtractBinary, false, 0x00, 0x00, 0, 0xFF, 0, 0, 1, 0, 1},
    };
    for (const auto& c : cases) {
        Cpu.AC = c.ac;
        OperandLatch = c.operand;
        Cpu.FlagC = c.carryIn;
        Cpu.FlagV = c.overflowBefore;
        c.step();
        SCOPED_TRACE(::testing::Message() << std::hex << int(c.ac) << " op " << int(c.operand));
        EXPECT_EQ(Cpu.AC, c.result);
        EXPECT_EQ(Cpu.FlagC != 0, c.carry != 0);
        EXPECT_EQ(Cpu.FlagZ != 0, c.zero != 0);
        EXPECT_EQ(Cpu.FlagN != 0, c.negative != 0);
        EXPECT_EQ(Cpu.FlagV != 0, c.overflow != 0);
    }
}

TEST_F(CpuStateTest, DecimalAdditionNeverSetsOverflowAndSubtractionNeverTouchesIt)
{
    for (int a = 0; a < 256; a++) {
        for (int m = 0; m < 256; m += 7) {
            Cpu.AC = static_cast<uint8_t>(a);
            OperandLatch = static_cast<uint8_t>(m);
            Cpu.FlagV = 1;
            AddDecimal();
            ASSERT_EQ(Cpu.FlagV, 0);
            Cpu.AC = static_cast<uint8_t>(a);
            Cpu.FlagV = 0x40;
            SubtractDecimal();
            ASSERT_EQ(Cpu.FlagV, 0x40);
        }
    }
}

}  // namespace
