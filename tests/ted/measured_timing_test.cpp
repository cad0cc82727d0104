// The TED as the real chip times it (Accuracy=1), measured the way a user
// would: 6502 programs (assembled with ca65 at test time) count processor
// cycles per frame and over bands of lines, in the headless machine with a
// tiny test-built ROM.  The same programs give the older model's figures
// with Accuracy=0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cpu/cpu.h"
#include "ted/memory_map.h"
#include "debugger/debugger.h"
#include "files/snapshot_file.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "support/test_support.h"
#include "ted/line_timing.h"
#include "support/assemble.h"
#include "ted/ted_clock.h"
#include "ted/ted_names.h"

namespace {

using namespace ted;

constexpr uint16_t ProgramAddress = 0x1000;

struct Count {
    uint8_t ff06, ff13;
    uint8_t firstLine, lastLine;
};

// Cycles from the start of firstLine to the start of lastLine, counted by
// cycle_count.s.  Rounds are 18 cycles, 22 when the high byte steps.
long CountCycles(const std::vector<uint8_t>& program, const Count& c)
{
    LoadAt(program, ProgramAddress);
    Ram64[0xF0] = c.ff06;
    Ram64[0xF1] = c.ff13;
    Ram64[0xF6] = c.firstLine;
    Ram64[0xF7] = c.lastLine;
    Ram64[0xF4] = 0;
    Cpu.PC = ProgramAddress;
    int exitCode = 0;
    for (long pass = 0; pass < 2000000 && Ram64[0xF4] == 0; pass++)
        if (!MainLoopPass(&exitCode))
            return -1;
    if (Ram64[0xF4] == 0)
        return -1;
    const long rounds = Ram64[0xF2] | (Ram64[0xF3] << 8);
    return 18 * rounds + 4 * (rounds / 256);
}

class MeasuredTimingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = AssembleProgram(scratch, "cycle_count.s", ProgramAddress);
        if (program.empty())
            GTEST_SKIP() << "ca65/cl65 (cc65) is not installed";
        scratch.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
        int exitCode = 0;
        ASSERT_TRUE(MainLoopPass(&exitCode));   // take the reset
    }
    void TearDown() override { ResetMachineToPowerOn(); }
    ScratchDirectory scratch;
    std::vector<uint8_t> program;
};

// The four frame totals measured on a PAL machine, and the older model's.
TEST_F(MeasuredTimingTest, CyclesPerFrameInTheFourModes)
{
    const struct Case {
        const char* name;
        uint8_t ff06, ff13;
        long measured, older;
    } cases[] = {
        {"double clock, screen on", 0x1B, 0x00, 22882, 23748},
        {"double clock, blanked", 0x0B, 0x00, 34008, 35552},
        {"single clock, screen on", 0x1B, 0x02, 15634, 17774},
        {"single clock, blanked", 0x0B, 0x02, 17784, 17776},
    };
    for (uint32_t accuracy : {1u, 0u}) {
        Config.Accuracy = accuracy;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (accuracy ? ", measured" : ", older model"));
            const long cycles = CountCycles(program, {c.ff06, c.ff13, 100, 100});
            const long expected = accuracy ? c.measured : c.older;
            EXPECT_NEAR(cycles, expected, expected * 3 / 1000) << cycles;
        }
    }
}

// Per line: 109 on border lines, 65 on display lines, 22 on the two bad
// lines of a row; 57 / 57 / 14 at single clock.  Bands of lines keep the
// counting loop's 18-cycle grain small against the total; they lie at
// lines 56-255, whose low bytes no other line shares.
TEST_F(MeasuredTimingTest, CyclesPerLineByKind)
{
    const struct Case {
        const char* name;
        Count count;
        long expected;
    } cases[] = {
        {"40 border lines", {0x1B, 0x00, 210, 250}, 40 * 109},
        {"40 blanked lines in the window", {0x0B, 0x00, 60, 100}, 40 * 109},
        {"5 rows: 10 bad lines, 30 display lines", {0x1B, 0x00, 60, 100}, 10 * 22 + 30 * 65},
        {"single clock, 40 border lines", {0x1B, 0x02, 210, 250}, 40 * 57},
        {"single clock, 5 rows", {0x1B, 0x02, 60, 100}, 10 * 14 + 30 * 57},
        {"YSCROLL 0 moves the bad lines, not their number", {0x18, 0x00, 60, 100}, 10 * 22 + 30 * 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(CountCycles(program, c.count), c.expected, 19);
    }
}

// The timers count the single clock whatever the processor's clock: a frame
// is 17,784 ticks of timer 2 on a blanked double-clock screen as on a
// single-clock one.
TEST_F(MeasuredTimingTest, TimersCountTheSingleClock)
{
    for (uint8_t ff13 : {uint8_t{0x00}, uint8_t{0x02}}) {
        SCOPED_TRACE(ff13 ? "single clock" : "double clock");
        WriteByte(Control1, 0x1B);
        WriteByte(CharacterBase, ff13);
        int exitCode = 0;
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
        SettleDeferredSteps();
        const int32_t before = Ted.Timer2Counter;
        const uint64_t clockBefore = SingleClockNow();
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 3));
        SettleDeferredSteps();
        const long ticks = (before - Ted.Timer2Counter + 3 * 0x10000) % 0x10000;
        EXPECT_NEAR(ticks, 3 * 17784, 8);
        EXPECT_NEAR(static_cast<double>(SingleClockNow() - clockBefore), 3 * 17784.0, 8);
    }
    EXPECT_DOUBLE_EQ(SingleClockHz(), 886723.75);
}

// 0xFF07 bit 6: 262 lines of 57 slots.
TEST_F(MeasuredTimingTest, NtscFrameHas262Lines)
{
    WriteByte(Control2, Ctrl2Ntsc | Ctrl2Columns40);
    EXPECT_NEAR(CountCycles(program, {0x0B, 0x02, 100, 100}), 262 * 57, 19);
    EXPECT_NEAR(CountCycles(program, {0x0B, 0x00, 100, 100}), 262 * 109, 19);
    EXPECT_DOUBLE_EQ(SingleClockHz(), 894886.25);
}

// The counters: 0xFF1E runs 0-0xE3 in steps of 2 per double-clock cycle,
// 0xFF1C/0xFF1D the line, and writes move the line the TED believes it is
// on (the frame then ends sooner).
TEST_F(MeasuredTimingTest, CountersReadAndWrite)
{
    WriteByte(Control1, 0x0B);   // blanked: double clock all along the line
    uint8_t lowest = 0xFF, highest = 0;
    bool seen[256] = {};
    int exitCode = 0;
    for (int i = 0; i < 2000; i++) {
        ASSERT_TRUE(MainLoopPass(&exitCode));
        const uint8_t h = ReadByte(HorizontalPosition);
        lowest = std::min(lowest, h);
        highest = std::max(highest, h);
        seen[h] = true;
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 0xE2);
    EXPECT_FALSE(seen[0xE4]);

    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
    const uint64_t frameStart = SingleClockNow();
    WriteByte(LineCounterHigh, 0x01);
    WriteByte(LineCounterLow, 0x30);   // line 304: 8 lines to the frame's end
    EXPECT_EQ(ReadByte(LineCounterLow), 0x30);
    EXPECT_EQ(ReadByte(LineCounterHigh), 0xFF);
    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
    EXPECT_LT(SingleClockNow() - frameStart, 10u * 57);
    EXPECT_EQ(ReadByte(LineCounterHigh), 0xFE);
}

// Unconnected addresses read the last byte on the bus: a program reading
// the write-only bank latch 256 times finds neither all zeros nor one value
// (the TED's fetches in the window, the processor's address byte
// elsewhere).  The older model reads 0 there.
TEST_F(MeasuredTimingTest, UnconnectedAddressesReadTheLastBusByte)
{
    const std::vector<uint8_t> reader = AssembleProgram(scratch, "open_bus.s", 0x1800);
    ASSERT_FALSE(reader.empty());
    std::memset(Ram64 + 0x0800, 0, 0x800);
    for (int i = 0; i < 40 * 25; i++)
        Ram64[0x0C00 + i] = static_cast<uint8_t>(i);   // all glyphs
    for (int i = 0; i < 0x800; i++)
        Ram64[0x2000 + i] = static_cast<uint8_t>(i * 7 + 1);
    WriteByte(MatrixBase, 0x08);
    WriteByte(CharacterBase, 0x20);
    WriteByte(BitmapBase, 0x00);
    WriteByte(Control1, 0x1B);
    for (uint32_t accuracy : {1u, 0u}) {
        SCOPED_TRACE(accuracy ? "measured" : "older model");
        Config.Accuracy = accuracy;
        LoadAt(reader, 0x1800);
        Ram64[0xF4] = 0;
        Cpu.PC = 0x1800;
        int exitCode = 0;
        for (long pass = 0; pass < 100000 && Ram64[0xF4] == 0; pass++)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        ASSERT_EQ(Ram64[0xF4], 1);
        uint8_t any = 0;
        bool allEqual = true;
        for (int i = 0; i < 256; i++) {
            any |= Ram64[0x3000 + i];
            allEqual = allEqual && Ram64[0x3000 + i] == Ram64[0x3000];
        }
        EXPECT_EQ(any != 0, accuracy == 1);
        EXPECT_EQ(allEqual, accuracy == 0);
    }
}

// 0xFF1F read across the sub-row counter's step at the start of a line:
// the old value at 0xC4, the carries cleared at 0xC6, the new value at
// 0xC8 (the values measured on the chip).
TEST_F(MeasuredTimingTest, SubRowReadsSettleAsMeasured)
{
    const uint8_t atC6[8] = {0, 0, 2, 0, 4, 4, 6, 0};
    WriteByte(Control1, 0x0B);   // blanked: the line starts at double clock
    int exitCode = 0;
    for (uint8_t before = 0; before < 8; before++) {
        SCOPED_TRACE("sub-row " + std::to_string(before));
        while (Ted.LineCounter != 100)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        WriteByte(SubRowAndBlink, before);
        while (Ted.LineCounter == 100)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        const uint8_t readAt[3] = {0, 2, 4};   // LinePosition of 0xFF1E = 0xC4, 0xC6, 0xC8
        const uint8_t expected[3] = {before, atC6[before], static_cast<uint8_t>((before + 1) & 7)};
        const uint16_t position = Ted.LinePosition;
        for (int i = 0; i < 3; i++) {
            Ted.LinePosition = readAt[i];
            EXPECT_EQ(ReadByte(SubRowAndBlink) & SubRowBits, expected[i]) << "at $FF1E " << std::hex
                                                                           << int(ColumnTable[readAt[i]]);
        }
        Ted.LinePosition = position;
    }
}

// YSCROLL written before a line's bad-line halt begins decides that line:
// it can make a line a bad line, or keep one from being one.  Written
// later, it decides the next lines only.
TEST_F(MeasuredTimingTest, EarlyYscrollWritesDecideTheLine)
{
    using namespace timing;
    WriteByte(Control1, 0x1B);
    int exitCode = 0;
    const struct Case {
        uint8_t ff06;
        uint16_t position;
        uint8_t kind;
    } cases[] = {
        {0x1D, 0, BadLine},       // line 101: (101 & 7) = 5 = YSCROLL, a codes line
        {0x1C, 4, BadLine},       // = YSCROLL + 1, an attribute line
        {0x1D, 8, DisplayLine},   // too late: the halt would have begun
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("position " + std::to_string(c.position));
        WriteByte(Control1, 0x1B);
        while (Ted.LineCounter != 100)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        while (Ted.LineCounter == 100)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        ASSERT_EQ(Ted.LineKindNow, DisplayLine);
        Ted.LinePosition = c.position;
        WriteByte(Control1, c.ff06);
        EXPECT_EQ(Ted.LineKindNow, c.kind);
    }
    // A bad line suppressed: line 107 (YSCROLL 3's codes line) with YSCROLL 0.
    WriteByte(Control1, 0x1B);
    while (Ted.LineCounter != 107)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    ASSERT_EQ(Ted.LineKindNow, BadLine);
    Ted.LinePosition = 0;
    WriteByte(Control1, 0x18);
    EXPECT_EQ(Ted.LineKindNow, DisplayLine);
}

// A snapshot saved at the start of a frame and loaded at the start of a
// later one (in the measured model: at any point) resumes exactly, in either
// model: the same pictures, RAM,
// registers and timers, frame after frame.  The program paints the border
// from 0xFF1E, so a cycle's difference shows.
TEST_F(MeasuredTimingTest, SnapshotResumesExactlyAtAFrameStart)
{
    const uint8_t painter[] = {
        0xAD, 0x1E, 0xFF,   // LDA $FF1E
        0x8D, 0x19, 0xFF,   // STA $FF19
        0xEE, 0x00, 0x30,   // INC $3000
        0xD0, 0xF5,         // BNE $1000
        0xEE, 0x01, 0x30,   // INC $3001
        0x4C, 0x00, 0x10,   // JMP $1000
    };
    Config.ScreenMode = 2;
    std::memset(Ram64 + 0x0800, 0, 0x800);   // blank cells, nothing flashing
    std::memset(Ram64 + 0x2000, 0, 0x800);
    WriteByte(MatrixBase, 0x08);
    WriteByte(CharacterBase, 0x20);
    WriteByte(CursorHigh, 0x03);              // the cursor off the screen
    WriteByte(CursorLow, 0xFF);
    WriteByte(Control1, 0x1B);
    for (uint32_t accuracy : {1u, 0u}) {
        SCOPED_TRACE(accuracy ? "measured" : "older model");
        Config.Accuracy = accuracy;
        LoadAt(std::vector<uint8_t>(painter, painter + sizeof painter), 0x1000);
        Cpu.PC = 0x1000;
        Cpu.FlagI = 1;
        int exitCode = 0;
        const auto atFrameStart = [&] {
            for (long pass = 0; pass < 20000000; pass++) {
                ASSERT_TRUE(MainLoopPass(&exitCode));
                const bool start = accuracy ? Ted.LineCounter == 0 && Ted.LineCycle == 0
                                            : LineCounterTable[Ted.RasterLine] == 0 && Ted.LinePosition == 0;
                if (start)
                    return;
            }
            FAIL() << "never exactly at a frame's start";
        };
        const auto digest = [&] {
            SettleDeferredSteps();
            uint64_t d = 0xCBF29CE484222325ull;
            const auto fold = [&](const uint8_t* bytes, size_t size) {
                for (size_t i = 0; i < size; i++)
                    d = (d ^ bytes[i]) * 0x100000001B3ull;
            };
            fold(FrameBuffer, sizeof FrameBuffer);
            fold(Ram64, 0x10000);
            fold(reinterpret_cast<const uint8_t*>(&Cpu.PC), 2);
            const int32_t timers[3] = {Ted.Timer1Counter, Ted.Timer2Counter, Ted.Timer3Counter};
            fold(reinterpret_cast<const uint8_t*>(timers), sizeof timers);
            return d;
        };
        atFrameStart();
        ASSERT_TRUE(SaveSnapshotFile("resume.fre"));
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 32));
        const uint64_t first = digest();
        if (accuracy) {
            // The measured model starts a frame at the load wherever it is.
            for (int pass = 0; pass < 1234; pass++)
                ASSERT_TRUE(MainLoopPass(&exitCode));
        } else {
            atFrameStart();
        }
        ASSERT_TRUE(LoadSnapshotFile("resume.fre"));
        SettleDeferredSteps();
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 32));
        EXPECT_EQ(digest(), first);
    }
}

// The debugger's single step moves the TED exactly as the main loop does.
TEST_F(MeasuredTimingTest, SingleStepKeepsTheTiming)
{
    LoadAt(program, ProgramAddress);
    Ram64[0xF0] = 0x1B;
    Ram64[0xF1] = 0x00;
    Ram64[0xF6] = 100;
    Ram64[0xF7] = 100;
    Cpu.PC = ProgramAddress;
    SettleDeferredSteps();
    const TedState ted = Ted;
    const CpuRegisters cpu = Cpu;
    const std::vector<uint8_t> ram(Ram64, Ram64 + 0x10000);
    const auto after = [] {
        SettleDeferredSteps();
        return std::vector<uint64_t>{Ted.LineCounter, Ted.LinePosition, Ted.ClockAtLineStart,
                                     static_cast<uint64_t>(Ted.Timer1Counter), Cpu.PC, Ram64[0xF2]};
    };
    for (int i = 0; i < 3000; i++)
        SingleStep();
    const std::vector<uint64_t> stepped = after();
    Ted = ted;
    Cpu = cpu;
    std::memcpy(Ram64, ram.data(), ram.size());
    int exitCode = 0;
    for (int i = 0; i < 3000; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(after(), stepped);
}

}  // namespace
