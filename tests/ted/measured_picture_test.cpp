// The picture as the chip draws it (Accuracy=1): a register written mid-line
// takes effect from the next character cell, YSCROLL written line by line
// pushes the screen down (FLD), and the bitmap modes follow the vertical
// scroll.  6502 programs assembled with ca65 run in the headless machine
// with a tiny test-built ROM; the pictures are read back from FrameBuffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "cpu/cpu.h"
#include "ted/memory_map.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "support/assemble.h"
#include "support/test_support.h"
#include "ted/ted_names.h"

namespace {

using namespace ted;

constexpr uint16_t ProgramAddress = 0x1000;
constexpr int BeamLineOfLine0 = 52;   // the frame buffer line of TED line 0

inline uint8_t Pixel(int tedLine, int x) { return FrameBuffer[(tedLine + BeamLineOfLine0) * FrameWidth + x]; }

class MeasuredPictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("command -v cl65 >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ca65/cl65 (cc65) is not installed";
        scratch.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
        Config.ScreenMode = 2;   // the whole frame is drawn
        ASSERT_TRUE(MainLoopPass(&exitCode));   // take the reset
        // A text screen of blank cells: glyphs in RAM at 0x2000, all zero,
        // the matrix at 0x0800/0x0C00, 40 columns, 25 rows, YSCROLL 3.
        std::memset(Ram64 + 0x0800, 0, 0x800);
        std::memset(Ram64 + 0x2000, 0, 0x800);
        WriteByte(MatrixBase, 0x08);
        WriteByte(CharacterBase, 0x20);
        WriteByte(BitmapBase, 0x00);
        WriteByte(Control2, Ctrl2Columns40);
        WriteByte(Control1, 0x1B);
        WriteByte(Background0, 0x00);
        WriteByte(BorderColour, 0x00);
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    void RunUntil(uint16_t flag, uint8_t value, long passes = 3000000)
    {
        for (long pass = 0; pass < passes && Ram64[flag] < value; pass++)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        ASSERT_GE(Ram64[flag], value) << "the program did not finish";
    }

    ScratchDirectory scratch;
    int exitCode = 0;
};

// Three writes per line land at three cells; each colour starts at the cell
// after the one its write landed in.  On display lines (single clock) the
// write is 4 cycles = 16 units before the 0xFF1E read that follows it; on
// border lines (double clock) 8 units.  0xFF15 inside the window, 0xFF19
// on border lines.
TEST_F(MeasuredPictureTest, MidLineWritesTakeEffectFromTheNextCell)
{
    std::vector<uint8_t> program = AssembleProgram(scratch, "colour_writes.s", ProgramAddress);
    ASSERT_FALSE(program.empty());
    const struct Case {
        const char* name;
        uint8_t reg;
        uint8_t firstLine;
        int unitsPerFourCycles;
    } cases[] = {
        {"background on display lines", 0x15, 100, 16},
        {"border on border lines", 0x19, 220, 8},
    };
    const int lines = 6;
    const uint8_t colours[3] = {2, 5, 6};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> patched = program;
        for (size_t i = 0; i + 2 < patched.size(); i++)
            if (patched[i] == 0x8D && patched[i + 1] == 0x15 && patched[i + 2] == 0xFF)
                patched[i + 1] = c.reg;   // STA $FF15 -> STA $FF<reg>
        LoadAt(patched, ProgramAddress);
        Ram64[0xF4] = 0;
        Ram64[0xF6] = c.firstLine;
        Ram64[0xF7] = lines;
        Cpu.PC = ProgramAddress;
        RunUntil(0xF4, 1);
        while (Ted.LineCounter <= c.firstLine + lines)
            ASSERT_TRUE(MainLoopPass(&exitCode));   // the beam finishes the last line
        for (int y = 0; y < lines; y++) {
            const int line = c.firstLine + 1 + y;
            SCOPED_TRACE("line " + std::to_string(line));
            // A line begins in the previous line's last colour.
            uint8_t before = y == 0 ? 0 : colours[2];
            int previousX = 0;
            for (int k = 0; k < 3; k++) {
                const uint8_t read = Ram64[0x80 + 0x20 * k + y];
                const int readUnits = (read + 32) % 228;
                const int writeUnits = readUnits - c.unitsPerFourCycles;
                const int x = 8 * (writeUnits / 4 + 1);   // the next cell's first pixel
                ASSERT_GT(x, previousX);
                EXPECT_EQ(Pixel(line, x - 1), before) << "write " << k << " at x " << x;
                EXPECT_EQ(Pixel(line, x), colours[k]) << "write " << k << " at x " << x;
                before = colours[k];
                previousX = x;
            }
        }
    }
}

// An FLD program keeps the bad lines away for 40 lines: the first row,
// drawn solid by a full glyph, moves from lines 4-11 to lines 44-51, and the
// lines above it show the background.
TEST_F(MeasuredPictureTest, FldPushesTheScreenDown)
{
    std::vector<uint8_t> program = AssembleProgram(scratch, "fld.s", ProgramAddress);
    ASSERT_FALSE(program.empty());
    std::memset(Ram64 + 0x2008, 0xFF, 8);   // glyph 1: all ink
    std::memset(Ram64 + 0x0C00, 0x01, 40);  // row 0: glyph 1
    std::memset(Ram64 + 0x0800, 0x03, 40);  // ink colour 3
    WriteByte(Background0, 0x07);
    int exitCode = 0;
    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 2));
    const int x = 64 + 8 * 5;
    EXPECT_EQ(Pixel(4, x), 0x03) << "without FLD the row begins at line 4";

    LoadAt(program, ProgramAddress);
    Ram64[0xF4] = 0;
    Cpu.PC = ProgramAddress;
    RunUntil(0xF4, 2);
    for (int line = 4; line < 44; line++)
        EXPECT_EQ(Pixel(line, x), 0x07) << "line " << line;
    for (int line = 44; line < 52; line++)
        EXPECT_EQ(Pixel(line, x), 0x03) << "line " << line;
    EXPECT_EQ(Pixel(52, x), 0x07);
}

// A row is drawn from what its bad lines fetched: screen RAM written while
// the beam is inside the row shows from the row's next fetch (the next
// frame) on.  The older model draws from RAM as the beam goes.
TEST_F(MeasuredPictureTest, RowsShowWhatTheirBadLinesFetched)
{
    std::memset(Ram64 + 0x2008, 0xFF, 8);   // glyph 1: all ink
    std::memset(Ram64 + 0x0800, 0x03, 1000);   // ink colour 3
    WriteByte(Background0, 0x07);
    const int x = 64 + 8 * 5;
    for (uint32_t accuracy : {1u, 0u}) {
        SCOPED_TRACE(accuracy ? "measured" : "older model");
        Config.Accuracy = accuracy;
        Ram64[0x0C00 + 12 * 40 + 5] = 0x00;   // row 12 (lines 100-107), cell 5: blank
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 2));
        while ((Config.Accuracy ? Ted.LineCounter : LineCounterTable[Ted.RasterLine]) != 102)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        WriteByte(0x0C00 + 12 * 40 + 5, 0x01);   // the glyph, in the middle of the row
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
        EXPECT_EQ(Pixel(104, x), accuracy ? 0x07 : 0x03) << "the frame it was written in";
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 1));
        EXPECT_EQ(Pixel(100, x), 0x03) << "the next frame";
        EXPECT_EQ(Pixel(104, x), 0x03) << "the next frame";
    }
}

// Bitmap rows start where the attribute bad line falls: with YSCROLL 5 the
// bitmap's first line is TED line 6, two lines lower than with 3.  The
// older model draws bitmaps from the raster alone.
TEST_F(MeasuredPictureTest, BitmapFollowsTheVerticalScroll)
{
    std::memset(Ram64 + 0x2000, 0, 0x2000);
    Ram64[0x2000] = 0xFF;                    // row 0, cell 0, its first line
    std::memset(Ram64 + 0x0C00, 0x10, 40);  // set pixels in colour 1, clear ones 0
    std::memset(Ram64 + 0x0800, 0x00, 40);
    WriteByte(BitmapBase, 0x08);             // bitmap at 0x2000
    WriteByte(Background0, 0x07);
    const struct Case {
        uint32_t accuracy;
        uint8_t ff06;
        int firstLine;
    } cases[] = {{1, 0x3B, 4}, {1, 0x3D, 6}, {0, 0x3D, 4}};
    int exitCode = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("Accuracy " + std::to_string(c.accuracy) + ", 0xFF06 " + std::to_string(c.ff06));
        Config.Accuracy = c.accuracy;
        WriteByte(Control1, c.ff06);
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 2));
        for (int line = 4; line < c.firstLine; line++)
            EXPECT_EQ(Pixel(line, 64), 0x07) << "no row yet on line " << line;
        EXPECT_EQ(Pixel(c.firstLine, 64), 0x01);
        EXPECT_EQ(Pixel(c.firstLine + 1, 64), 0x00);
    }
}

// A bitmap at 0x2000 "from ROM" (0xFF12 bit 2), where none answers: each
// cell shows the bus's last byte, its own matrix byte, not the RAM's 0x0F
// (which the older model shows).  The C16's matrix at 0x4800 is 0x0800's.
TEST_F(MeasuredPictureTest, BitmapFromOpenSpaceShowsTheBusByte)
{
    std::memset(Ram64 + 0x2000, 0x0F, 0x2000);
    for (int i = 0; i < 40; i++)
        Ram64[0x0C00 + i] = static_cast<uint8_t>(0x17 + 13 * i);   // colours in both nibbles
    WriteByte(BitmapBase, 0x08 | BitmapGlyphsFromRom);
    WriteByte(Control1, 0x3B);
    for (const auto& [model, accuracy, matrix] : {std::tuple{ModelPlus4, 1u, 0x08}, {ModelC16, 1u, 0x48}, {ModelPlus4, 0u, 0x08}}) {
        UseMachineModel(model);
        Config.Accuracy = accuracy;
        WriteByte(MatrixBase, static_cast<uint8_t>(matrix));
        ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 2));
        for (int x = 0; x < 320; x++) {
            const uint8_t s = Ram64[0x0C00 + x / 8], pattern = accuracy ? s : 0x0F;
            ASSERT_EQ(Pixel(4, 64 + x), (pattern & (0x80 >> x % 8)) ? s >> 4 : s & 0x0F) << x << " " << int(matrix);
        }
    }
}

}  // namespace
