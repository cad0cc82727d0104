#include <gtest/gtest.h>

#include <filesystem>

#include "files/snapshot_file.h"
#include "machine/settings.h"
#include "files_fixture.h"
#include "machine/machine_model.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "ted/memory_map.h"

namespace {

using SnapshotFileTest = FilesTest;

uint32_t Field32(const std::vector<uint8_t>& file, size_t offset)
{
    return file[offset] | (file[offset + 1] << 8) | (file[offset + 2] << 16) | (static_cast<uint32_t>(file[offset + 3]) << 24);
}

// Machine state A: every saved field distinct from state B below.
void SetStateA()
{
    Cpu = CpuRegisters{0x1234, 0x56, 0x78, 0x9A, 0xBC, 0x80, 0, 1, 0, 0x40, 0, 1, 0};
    Ted.RomEnabled = 1;
    Ted.Timer1Counter = 0xFFFF;
    Ted.Timer1Latch = 0x4321;
    Ted.Timer1Running = 1;
    Ted.Timer2Counter = 0x0102;
    Ted.Timer2Running = 0;
    Ted.Timer3Counter = 0x0304;
    Ted.Timer3Running = 1;
    for (uint32_t a = 0; a < 0x10000; a++)
        Ram64[a] = static_cast<uint8_t>(a ^ (a >> 8) ^ 0x5A);
}

void SetStateB()
{
    Cpu = CpuRegisters{0xFEDC, 0x01, 0x02, 0x03, 0x04, 0, 1, 0, 1, 0, 1, 0, 0};
    Ted.RomEnabled = 0;
    Ted.Timer1Counter = 7;
    Ted.Timer1Latch = 8;
    Ted.Timer1Running = 0;
    Ted.Timer2Counter = 9;
    Ted.Timer2Running = 1;
    Ted.Timer3Counter = 10;
    Ted.Timer3Running = 0;
    std::memset(Ram64, 0xEE, 0x10000);
}

TEST_F(SnapshotFileTest, WritesEveryFieldLittleEndian)
{
    SetStateA();
    ASSERT_TRUE(SaveSnapshotFile("A.FRE"));
    std::vector<uint8_t> file = ReadBinaryFile(scratch.path + "/A.FRE");
    ASSERT_EQ(file.size(), 65608u);
    const std::vector<uint8_t> header = {
        0x00, 0x00, 0x01, 0x00,                      // fields 1 and 2
        0x34, 0x12, 0x00, 0x00,                      // PC
        0x95, 0x00, 0x00, 0x00,                      // N, B, I (0x40 counts as set), C
        0x56, 0, 0, 0, 0x78, 0, 0, 0, 0x9A, 0, 0, 0, 0xBC, 0, 0, 0,
        0x00, 0x04, 0x00, 0x00,                      // 1024
        0x01, 0, 0, 0,                               // ROM on
        0xFF, 0xFF, 0x00, 0x00,                      // timer 1 counter 0xFFFF
        0x21, 0x43, 0, 0, 0x01, 0, 0, 0,             // latch, running
        0x02, 0x01, 0, 0, 0, 0, 0, 0, 0x00, 0, 0, 0, // timer 2: counter, no latch, stopped
        0x04, 0x03, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, // timer 3
    };
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 72), header);
    EXPECT_TRUE(std::equal(file.begin() + 72, file.end(), Ram64));
}

TEST_F(SnapshotFileTest, StatusByteAndCounterEncodings)
{
    struct {
        CpuRegisters flags;
        uint8_t status;
    } cases[] = {
        {{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0}, 0xDF},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 0x01},
        {{0, 0, 0, 0, 0, 0x80, 0x40, 0, 0, 0, 0x02, 0, 0}, 0xC2},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x00},
    };
    for (const auto& c : cases) {
        Cpu = c.flags;
        ASSERT_TRUE(SaveSnapshotFile("S.FRE"));
        EXPECT_EQ(Field32(ReadBinaryFile(scratch.path + "/S.FRE"), 8), c.status);
    }
    Ted.Timer1Counter = -5;      // a counter's full 32 bits travel
    Ted.Timer1Running = 0x40;    // any nonzero running flag is written as 1
    ASSERT_TRUE(SaveSnapshotFile("S.FRE"));
    std::vector<uint8_t> file = ReadBinaryFile(scratch.path + "/S.FRE");
    EXPECT_EQ(Field32(file, 36), 0xFFFFFFFBu);
    EXPECT_EQ(Field32(file, 44), 1u);
    Ted.Timer1Counter = 0;
    ASSERT_TRUE(LoadSnapshotFile("S.FRE"));
    EXPECT_EQ(Ted.Timer1Counter, 0xFFFB) << "read back as the counter's 16 bits";
}

TEST_F(SnapshotFileTest, RoundTripRestoresTheSavedStateOnly)
{
    Config.Accuracy = 0;   // the three buffers show what the sound registers play
    SetStateA();
    // Saved: voice 2 square at register value 1010, volume 8 (15 limited).
    const uint8_t sound[5] = {0x20, 0xF2, 0xFB, 0x2F, 0xFF};   // 0xFF0E-0xFF12
    std::memcpy(Ram64 + 0xFF0E, sound, sizeof sound);
    ASSERT_TRUE(SaveSnapshotFile("A.FRE"));
    std::vector<uint8_t> ramA = RamCopy();
    CpuRegisters cpuA = Cpu;
    SetStateB();
    // Not in the file: these keep whatever they hold before the load.
    Ted.Timer2Latch = 0x2222;
    Ted.Timer3Latch = 0x3333;
    Ted.RomBank = 5;
    Ted.SingleClock = 1;
    Ted.RasterCompare = 0x123;
    Ted.RasterLine = 200;
    OperandLatch = 0x99;
    LastCycle = 6;
    // Playing before the load: voice 1; and an interrupt noticed.
    WriteByte(0xFF11, 0x18);
    ASSERT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -100);
    Ted.IrqPending = 1;

    ASSERT_TRUE(LoadSnapshotFile("A.FRE"));
    EXPECT_EQ(Cpu.PC, cpuA.PC);
    EXPECT_EQ(Cpu.AC, cpuA.AC);
    EXPECT_EQ(Cpu.XR, cpuA.XR);
    EXPECT_EQ(Cpu.YR, cpuA.YR);
    EXPECT_EQ(Cpu.SP, cpuA.SP);
    // Flags come back as 0 or 1.
    EXPECT_EQ((std::vector<int>{Cpu.FlagN, Cpu.FlagV, Cpu.FlagB, Cpu.FlagD, Cpu.FlagI, Cpu.FlagZ, Cpu.FlagC}),
              (std::vector<int>{1, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(Ted.RomEnabled, 1);
    EXPECT_EQ(Ted.Timer1Counter, 0xFFFF);
    EXPECT_EQ(Ted.Timer1Latch, 0x4321);
    EXPECT_EQ(Ted.Timer1Running, 1);
    EXPECT_EQ(Ted.Timer2Counter, 0x0102);
    EXPECT_EQ(Ted.Timer2Running, 0);
    EXPECT_EQ(Ted.Timer3Counter, 0x0304);
    EXPECT_EQ(Ted.Timer3Running, 1);
    EXPECT_TRUE(std::equal(ramA.begin(), ramA.end(), Ram64));
    EXPECT_EQ(Ted.Timer2Latch, 0x2222);
    EXPECT_EQ(Ted.Timer3Latch, 0x3333);
    EXPECT_EQ(Ted.RomBank, 5);
    EXPECT_EQ(Ted.SingleClock, 1);
    EXPECT_EQ(Ted.RasterCompare, 0x123);
    EXPECT_EQ(Ted.RasterLine, 200);
    EXPECT_EQ(OperandLatch, 0x99);
    EXPECT_EQ(LastCycle, 6);
    // The old program's interrupt is gone, and what plays is what the
    // restored sound registers say.
    EXPECT_EQ(Ted.IrqPending, 0);
    EXPECT_EQ(SoundRegs.Voice2Frequency, 1010);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -10000);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer2).volume, -100);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer2).frequency, FreqTable[1010]);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer3).volume, -10000);
}

// Only a whole snapshot loads: a file cut off at any length, or one that is
// longer, is refused and leaves every field and all of RAM as they were.
TEST_F(SnapshotFileTest, OnlyAFileOfTheWholeSizeLoads)
{
    SetStateA();
    ASSERT_TRUE(SaveSnapshotFile("A.FRE"));
    std::vector<uint8_t> full = ReadBinaryFile(scratch.path + "/A.FRE");
    std::vector<uint8_t> ramA = RamCopy();

    for (size_t size : {0, 1, 4, 8, 39, 40, 71, 72, 73, 1000, 65607, 65608, 65609, 70000}) {
        SCOPED_TRACE("file of " + std::to_string(size) + " bytes");
        std::vector<uint8_t> file(full.begin(), full.begin() + static_cast<long>(std::min(size, full.size())));
        file.resize(size, 0x42);
        scratch.WriteFile("T.FRE", file);
        SetStateB();
        const CpuRegisters cpuB = Cpu;
        const bool whole = size == SnapshotFileSize;
        EXPECT_EQ(LoadSnapshotFile("T.FRE"), whole);
        EXPECT_EQ(std::memcmp(&cpuB, &Cpu, sizeof Cpu) == 0, !whole);
        EXPECT_EQ(Ted.Timer1Latch, whole ? 0x4321 : 8);
        EXPECT_EQ(std::equal(ramA.begin(), ramA.end(), Ram64), whole);
    }
}

TEST_F(SnapshotFileTest, IgnoredFieldsAndOddValuesLoadTheSameWay)
{
    SetStateA();
    ASSERT_TRUE(SaveSnapshotFile("A.FRE"));
    std::vector<uint8_t> file = ReadBinaryFile(scratch.path + "/A.FRE");
    for (size_t offset : {0, 1, 2, 3, 28, 29, 30, 31, 52, 53, 64, 67})
        file[offset] = 0xC3;   // fields 1 (no model: the Plus/4), 2, 9 and the two latch placeholders
    file[8] = 0xFF;            // bit 5 set: ignored
    file[9] = 0x12;            // high bytes of 8-bit fields are dropped
    file[12 + 1] = 0x34;
    file[32] = 0;
    file[33] = 2;              // ROM switch: any nonzero value means on
    file[44] = 0;
    file[44 + 3] = 0x80;       // running flag: any nonzero value
    // Counters no timer can hold: each is read as its low 16 bits.
    const uint32_t counters[3] = {0x80000000u, 0x7FFFFFFFu, 0xFFFF0003u};
    for (int t = 0; t < 3; t++)
        for (int i = 0; i < 4; i++)
            file[36 + 12 * t + i] = static_cast<uint8_t>(counters[t] >> (8 * i));
    scratch.WriteFile("ODD.FRE", file);
    SetStateB();
    Ted.Timer2Latch = 0x2222;
    ASSERT_TRUE(LoadSnapshotFile("ODD.FRE"));
    EXPECT_EQ(Cpu.PC, 0x1234);
    EXPECT_EQ((std::vector<int>{Cpu.FlagN, Cpu.FlagV, Cpu.FlagB, Cpu.FlagD, Cpu.FlagI, Cpu.FlagZ, Cpu.FlagC}),
              (std::vector<int>{1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(Cpu.AC, 0x56);
    EXPECT_EQ(Ted.RomEnabled, 1);
    EXPECT_EQ(Ted.Timer1Running, 1);
    EXPECT_EQ(Ted.Timer2Latch, 0x2222);
    EXPECT_EQ((std::vector<int32_t>{Ted.Timer1Counter, Ted.Timer2Counter, Ted.Timer3Counter}),
              (std::vector<int32_t>{0, 0xFFFF, 3}));
    // Timer 2 runs out within one turn (no overflow for the sanitizers).
    Ted.Timer2Running = 1;
    LastCycle = 8;   // 4 ticks a step
    for (int step = 0; step <= 0x4000; step++)
        TimerStep();
    EXPECT_NE(Ram64[0xFF09] & 0x10, 0);
}

// A snapshot names its model in field 1 and resumes on it, until a hard
// reset brings in the model chosen; a C16's holds the RAM as every address
// shows it, so a Plus/4 reads it the same.
TEST_F(SnapshotFileTest, ASnapshotResumesOnTheModelItWasSavedOn)
{
    UseMachineModel(ModelC16);
    WriteByte(0x1000, 0x5A);
    ASSERT_TRUE(SaveSnapshotFile("C16.FRE"));
    const std::vector<uint8_t> file = ReadBinaryFile(scratch.path + "/C16.FRE");
    EXPECT_EQ((std::vector<uint8_t>{file[0], file[72 + 0x5000], file[72 + 0xD000]}), (std::vector<uint8_t>{1, 0x5A, 0x5A}));
    UseMachineModel(ModelPlus4);
    WriteByte(0x5000, 0x77);
    ASSERT_TRUE(SaveSnapshotFile("PLUS4.FRE"));
    ASSERT_TRUE(LoadSnapshotFile("C16.FRE"));
    WriteByte(0x5001, 0x66);
    EXPECT_EQ((std::vector<uint8_t>{MachineModel, ReadByte(0x5000), ReadByte(0x1001)}), (std::vector<uint8_t>{1, 0x5A, 0x66}));
    ASSERT_TRUE(LoadSnapshotFile("PLUS4.FRE"));
    EXPECT_EQ((std::vector<uint8_t>{MachineModel, ReadByte(0x5000), ReadByte(0x1000)}), (std::vector<uint8_t>{0, 0x77, 0x5A}));
    Config.Model = ModelC16With64K;
    HardReset();
    EXPECT_EQ(MachineModel, ModelC16With64K);
}

TEST_F(SnapshotFileTest, UnreadableFilesChangeNothing)
{
    std::filesystem::create_directory(scratch.path + "/DIR.FRE");
    SetStateB();
    std::vector<uint8_t> ram = RamCopy();
    CpuRegisters cpu = Cpu;
    for (const char* name : {"MISSING.FRE", "DIR.FRE", "/proc/self/mem"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(LoadSnapshotFile(name));
        EXPECT_EQ(0, std::memcmp(&cpu, &Cpu, sizeof Cpu));
        EXPECT_EQ(Ted.Timer1Counter, 7);
        EXPECT_TRUE(std::equal(ram.begin(), ram.end(), Ram64));
    }
}

}  // namespace
