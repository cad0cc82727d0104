// When the NMOS processor (Accuracy=1) takes the TED's interrupt: a raster
// interrupt made to rise on each cycle of an instruction, and where the
// handler then starts; a stable raster routine of our own.
#include <algorithm>
#include <string>
#include <vector>

#include "machine/settings.h"
#include "machine_fixture.h"
#include "support/assemble.h"
#include "ted/ted_clock.h"

namespace {

using InterruptTiming = CpuInMachine;

TEST_F(InterruptTiming, RasterInterruptRisingOnEachCycle)
{
    // For a rise on each cycle: taken after the instruction (0), after the
    // NOP that follows it (1), or not at all (-1).
    const struct {
        const char* name;
        uint16_t address;
        std::vector<uint8_t> bytes;
        uint8_t flagI, pulledStatus;   // PLP, RTI: the status byte on the stack
        std::vector<int> takenAfter;
    } cases[] = {
        {"branch not taken", 0x1080, {0xD0, 0x00}, 0, 0, {0, 1}},
        {"branch taken in its page", 0x1080, {0xF0, 0x00}, 0, 0, {0, 1, 1}},
        {"branch taken into the next page", 0x10FE, {0xF0, 0x00}, 0, 0, {0, 0, 0, 1}},
        {"CLI", 0x1080, {0x58}, 1, 0, {1, 1}},
        {"SEI", 0x1080, {0x78}, 0, 0, {0, -1}},
        {"PLP clearing I", 0x1080, {0x28}, 1, 0x20, {1, 1, 1, 1}},
        {"PLP setting I", 0x1080, {0x28}, 0, 0x24, {0, 0, 0, -1}},
        {"RTI clearing I", 0x1080, {0x40}, 1, 0x20, {0, 0, 0, 0, 0, 1}},
        {"JAM", 0x1080, {0x02}, 0, 0, {-1, -1}},
        // INC $FF09 reads on cycle 3, writes that byte back on 4 (which
        // acknowledges what it read) and the byte plus one on 5 (0x25 + 1
        // acknowledges the raster, after the look at the start of cycle 5).
        {"INC $FF09", 0x1080, {0xEE, 0x09, 0xFF}, 0, 0, {-1, -1, -1, -1, 0, -1}},
    };
    // The second round after a hard reset, which starts the TED's clock again.
    for (int round = 0; round < 2; round++)
    for (const auto& c : cases) {
        if (round == 1 && &c == cases) {
            HardReset();
            ASSERT_TRUE(MainLoopPass(&exitCode));
            Prepare();
        }
        Poke(0x0F00, {0x4C, 0x00, 0x0F});   // JMP * while waiting
        Poke(0x3000, {0x4C, 0x00, 0x30});   // the handler
        Poke(0xFFFE, {0x00, 0x30});
        WriteByte(0xFF0B, 100);
        WriteByte(0xFF0A, 0x02);
        const uint16_t after = static_cast<uint16_t>(c.address + c.bytes.size());
        const int cycles = static_cast<int>(c.takenAfter.size());
        for (int j = 0; j < cycles; j++) {
            SCOPED_TRACE(std::string(c.name) + ", rising on cycle " + std::to_string(j) + ", round " +
                         std::to_string(round));
            Cpu.FlagI = 1;
            Cpu.PC = 0x0F00;
            while (Ted.LineCounter != 98)
                ASSERT_TRUE(MainLoopPass(&exitCode));
            WriteByte(0xFF09, 0xFF);
            // The request rises 2 cycles into line 100; NOPs and a 3-cycle
            // STA $F8 lead to the instruction so that it starts j before.
            const uint64_t now = SingleClockNow();
            const uint64_t start = now - Ted.LinePosition / 4 + 2 * 57 + 2 - j;
            const int delay = static_cast<int>(start - now);
            std::vector<uint8_t> code = delay & 1 ? std::vector<uint8_t>{0x85, 0xF8} : std::vector<uint8_t>{};
            code.insert(code.end(), (delay - (delay & 1) * 3) / 2, 0xEA);
            const uint16_t first = static_cast<uint16_t>(c.address - code.size());
            code.insert(code.end(), c.bytes.begin(), c.bytes.end());
            code.insert(code.end(), {0xEA, 0xEA, 0x4C, static_cast<uint8_t>(after + 2),
                                     static_cast<uint8_t>((after + 2) >> 8)});
            std::copy(code.begin(), code.end(), Ram64 + first);
            Poke(0x01F1, {c.pulledStatus, static_cast<uint8_t>(after), static_cast<uint8_t>(after >> 8)});
            Cpu.SP = 0xF0;
            Cpu.FlagI = c.flagI;
            Cpu.FlagZ = 1;
            Cpu.PC = first;

            const int expected = c.takenAfter[j];
            ASSERT_EQ(RunTo(0x3000, 200), expected >= 0);
            if (expected < 0) {
                EXPECT_EQ(Cpu.PC, c.bytes[0] == 0x02 ? c.address : after + 2);
                continue;
            }
            EXPECT_EQ(Ram64[0x0100 + Cpu.SP + 2] | (Ram64[0x0100 + Cpu.SP + 3] << 8), after + expected);
            // The handler starts 7 cycles after the instruction it followed.
            EXPECT_EQ(SingleClockNow(), start + cycles + 2 * expected + 7);
            // The status pushed has I as the instruction left it.
            EXPECT_EQ((Ram64[0x0100 + Cpu.SP + 1] & 0x04) != 0, c.bytes[0] == 0x78 || (c.pulledStatus & 0x04));
        }
    }
}

// stable_raster.s: wherever the first interrupt found the main program, the
// border colour changes at the same pixels on every line of the band, frame
// after frame.
TEST_F(InterruptTiming, StableRasterSplitStaysPut)
{
    const std::vector<uint8_t> program = AssembleProgram(dir, "stable_raster.s", 0x1000);
    if (program.empty())
        GTEST_SKIP() << "ca65/cl65 (cc65) is not installed";
    Config.ScreenMode = 2;   // the whole frame is drawn, border included
    LoadAt(program, 0x1000);
    Cpu.PC = 0x1000;
    constexpr int FirstBeamLine = 52 + 208;   // the band's second line (TED line 0 is beam line 52)
    int splitA = -1, splitB = -1;
    for (int frame = 0; frame < 10; frame++) {
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
        for (int line = FirstBeamLine; line < FirstBeamLine + 38 && frame >= 2; line++) {
            SCOPED_TRACE("frame " + std::to_string(frame) + ", beam line " + std::to_string(line));
            const uint8_t* row = FrameBuffer + line * FrameWidth;
            const int a = static_cast<int>(std::find(row, row + FrameWidth, 0x32) - row);
            const int b = static_cast<int>(std::find(row + a, row + FrameWidth, 0x55) - row);
            ASSERT_LT(b, FrameWidth);
            EXPECT_EQ(row[0], 0x55);
            splitA = splitA < 0 ? a : splitA;
            splitB = splitB < 0 ? b : splitB;
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
