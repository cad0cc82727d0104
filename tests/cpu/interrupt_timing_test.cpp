// When the NMOS processor (Accuracy=1) takes the TED's interrupt: a raster
// interrupt made to rise on each cycle of an instruction, in the machine at
// the single clock, and where the handler then starts.
#include <algorithm>
#include <string>
#include <vector>

#include "machine/settings.h"
#include "machine_fixture.h"
#include "support/assemble.h"
#include "ted/ted_clock.h"

namespace {

constexpr uint16_t Handler = 0x3000;
constexpr uint16_t CompareLine = 100;

struct TimingCase {
    const char* name;
    uint16_t address;               // of the instruction
    std::vector<uint8_t> bytes;
    int cycles;
    uint8_t flagI, flagZ;
    uint8_t pulledStatus;           // PLP, RTI: the status byte on the stack
    // For a rise on each cycle: 0 taken after the instruction, 1 after the
    // NOP that follows it, -1 not taken.
    std::vector<int> takenAfter;
};

const TimingCase Cases[] = {
    {"branch not taken", 0x1080, {0xD0, 0x00}, 2, 0, 1, 0, {0, 1}},
    {"branch taken in its page", 0x1080, {0xF0, 0x00}, 3, 0, 1, 0, {0, 1, 1}},
    {"branch taken into the next page", 0x10FE, {0xF0, 0x00}, 4, 0, 1, 0, {0, 0, 0, 1}},
    {"CLI", 0x1080, {0x58}, 2, 1, 0, 0, {1, 1}},
    {"SEI", 0x1080, {0x78}, 2, 0, 0, 0, {0, -1}},
    {"PLP clearing I", 0x1080, {0x28}, 4, 1, 0, 0x20, {1, 1, 1, 1}},
    {"PLP setting I", 0x1080, {0x28}, 4, 0, 0, 0x24, {0, 0, 0, -1}},
    {"RTI clearing I", 0x1080, {0x40}, 6, 1, 0, 0x20, {0, 0, 0, 0, 0, 1}},
    {"JAM", 0x1080, {0x02}, 2, 0, 0, 0, {-1, -1}},
};

using InterruptTiming = CpuInMachine;

TEST_F(InterruptTiming, RasterInterruptRisingOnEachCycle)
{
    Poke(0x0F00, {0x4C, 0x00, 0x0F});   // JMP * while waiting
    Poke(Handler, {0x4C, 0x00, 0x30});
    Poke(0xFFFE, {0x00, 0x30});
    WriteByte(0xFF0B, CompareLine);
    WriteByte(0xFF0A, 0x02);
    for (const TimingCase& c : Cases) {
        const uint16_t after = static_cast<uint16_t>(c.address + c.bytes.size());
        for (int j = 0; j < c.cycles; j++) {
            SCOPED_TRACE(std::string(c.name) + ", rising on cycle " + std::to_string(j));
            Cpu.FlagI = 1;
            Cpu.PC = 0x0F00;
            while (Ted.LineCounter != CompareLine - 2)
                ASSERT_TRUE(MainLoopPass(&exitCode));
            WriteByte(0xFF09, 0xFF);
            // The request rises 2 cycles into the compare line.
            const uint64_t now = SingleClockNow();
            const uint64_t rise = now - Ted.LinePosition / 4 + 2 * 57 + 2;
            const uint64_t start = rise - j;
            // NOPs and a 3-cycle STA $F8 lead to the instruction on time.
            int delay = static_cast<int>(start - now);
            std::vector<uint8_t> code;
            if (delay & 1) {
                code = {0x85, 0xF8};
                delay -= 3;
            }
            code.insert(code.end(), delay / 2, 0xEA);
            code.insert(code.end(), c.bytes.begin(), c.bytes.end());
            code.insert(code.end(), {0xEA, 0xEA, 0xEA, 0x4C, static_cast<uint8_t>(after + 3),
                                     static_cast<uint8_t>((after + 3) >> 8)});
            const uint16_t first = static_cast<uint16_t>(c.address - (code.size() - c.bytes.size() - 6));
            for (size_t i = 0; i < code.size(); i++)
                Ram64[static_cast<uint16_t>(first + i)] = code[i];
            Poke(0x01F1, {c.pulledStatus, static_cast<uint8_t>(after), static_cast<uint8_t>(after >> 8)});
            Cpu.SP = 0xF0;
            Cpu.FlagI = c.flagI;
            Cpu.FlagZ = c.flagZ;
            Cpu.PC = first;

            const int expected = c.takenAfter[j];
            const bool entered = RunTo(Handler, 200);
            ASSERT_EQ(entered, expected >= 0);
            if (!entered) {
                EXPECT_EQ(Cpu.PC, c.bytes[0] == 0x02 ? c.address : after + 3);
                continue;
            }
            const uint16_t pushed = Ram64[0x0100 + Cpu.SP + 2] | (Ram64[0x0100 + Cpu.SP + 3] << 8);
            EXPECT_EQ(pushed, after + expected);
            // The handler starts 7 cycles after the instruction it followed.
            EXPECT_EQ(SingleClockNow(), start + c.cycles + 2 * expected + 7);
            // The status pushed has I as the instruction left it.
            const bool setsI = c.bytes[0] == 0x78 || (c.pulledStatus & 0x04);
            EXPECT_EQ((Ram64[0x0100 + Cpu.SP + 1] & 0x04) != 0, setsI);
        }
    }
}

}  // namespace

namespace {

// stable_raster.s: whatever the first interrupt found, the border colour
// changes at the same pixels on every line of the band, frame after frame.
TEST_F(InterruptTiming, StableRasterSplitStaysPut)
{
    const std::vector<uint8_t> program = AssembleProgram(dir, "stable_raster.s", 0x1000);
    if (program.empty())
        GTEST_SKIP() << "ca65/cl65 (cc65) is not installed";
    Config.ScreenMode = 2;   // the whole frame is drawn, border included
    LoadAt(program, 0x1000);
    Cpu.PC = 0x1000;
    constexpr int FirstBeamLine = 52 + 207 + 1;   // TED line 0 is beam line 52; the band's second line
    constexpr uint8_t ColourA = 0x32, ColourB = 0x55;
    int splitA = -1, splitB = -1;
    for (int frame = 0; frame < 10; frame++) {
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
        if (frame < 2)
            continue;   // the program starts part-way through a frame
        for (int line = FirstBeamLine; line < FirstBeamLine + 38; line++) {
            SCOPED_TRACE("frame " + std::to_string(frame) + ", beam line " + std::to_string(line));
            const uint8_t* row = FrameBuffer + line * FrameWidth;
            const int a = static_cast<int>(std::find(row, row + FrameWidth, ColourA) - row);
            const int b = static_cast<int>(std::find(row + a, row + FrameWidth, ColourB) - row);
            ASSERT_LT(b, FrameWidth);
            EXPECT_EQ(row[0], ColourB);
            if (splitA < 0) {
                splitA = a;
                splitB = b;
            }
            EXPECT_EQ(a, splitA);
            EXPECT_EQ(b, splitB);
        }
    }
    // The first interrupt came at different points of the line, and the
    // second one cycle early or late.
    const uint8_t* first = Ram64 + 0x0402;
    const uint8_t* second = Ram64 + 0x0412;
    EXPECT_NE(std::count(first, first + 8, first[0]), 8);
    EXPECT_NE(std::count(second, second + 8, second[0]), 8);
}

}  // namespace
