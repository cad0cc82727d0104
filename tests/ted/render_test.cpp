// The window modes, scrolls, left-edge fills, display disable and the
// chunks each screen mode skips, drawn from small hand-made memory images.
#include <array>
#include <cstring>

#include "ted_fixture.h"

namespace {

using Pixels = std::array<uint8_t, 8>;

class RenderTest : public TedTest {
protected:
    static constexpr uint16_t Matrix = 0x0C00, Attributes = 0x0800, Charset = 0x2000, Bitmap = 0x4000;
    static constexpr uint8_t Bg0 = 0x23, Bg1 = 0x32, Bg2 = 0x45, Bg3 = 0x5E, Border = 0x6E;

    void SetUp() override
    {
        TedTest::SetUp();
        Config.ScreenMode = 2;   // draws everything
        Ted.FlashPhase = 1;
        Ram64[0xFF06] = 0x1B;    // display on, 25 rows, vs 3
        Ram64[0xFF07] = 0x08;    // 40 columns, 128 characters, hs 0
        Ram64[0xFF12] = 0x10;    // bitmap 0x4000, glyphs from RAM
        Ram64[0xFF13] = 0x20;    // characters 0x2000
        Ram64[0xFF14] = 0x08;    // matrix 0x0C00, attributes 0x0800
        Ram64[0xFF15] = Bg0;
        Ram64[0xFF16] = Bg1;
        Ram64[0xFF17] = Bg2;
        Ram64[0xFF18] = Bg3;
        Ram64[0xFF19] = Border;
        for (int c = 0; c < 256; c++)
            for (int j = 0; j < 8; j++)
                Ram64[Charset + 8 * c + j] = Glyph(c, j);
        for (int i = 0; i < 1024; i++) {
            Ram64[Matrix + i] = 0x20;
            Ram64[Attributes + i] = 0x00;
        }
    }

    static uint8_t Glyph(int c, int j) { return static_cast<uint8_t>(c * 13 + j * 37 + 0x11); }

    static void Put(int row, int col, uint8_t code, uint8_t attribute)
    {
        Ram64[Matrix + 40 * row + col] = code;
        Ram64[Attributes + 40 * row + col] = attribute;
    }

    static void RenderRow(int row) { RenderLines(56 + 8 * row, 63 + 8 * row); }

    // Redraws the current line without a new set-up.
    static void DrawCurrentLine()
    {
        Ted.LinePosition = 224;
        Ted.RenderColumn = 228;
        RenderStep();
    }

    static Pixels At(int line, int x)
    {
        Pixels p;
        std::memcpy(p.data(), FrameBuffer + line * FrameWidth + x, 8);
        return p;
    }
    // Cell line j of a cell in the 25-row, vs 3 set-up.
    static Pixels Cell(int row, int col, int j, int hs = 0) { return At(56 + 8 * row + j, 64 + 8 * col + hs); }

    static Pixels Bits(uint8_t pattern, uint8_t set, uint8_t clear)
    {
        Pixels p;
        for (int i = 0; i < 8; i++)
            p[i] = (pattern & (0x80 >> i)) ? set : clear;
        return p;
    }
    static Pixels Pairs(uint8_t pattern, std::array<uint8_t, 4> colours)
    {
        Pixels p;
        for (int k = 0; k < 4; k++)
            p[2 * k] = p[2 * k + 1] = colours[(pattern >> (6 - 2 * k)) & 3];
        return p;
    }
    static Pixels Solid(uint8_t colour) { return Bits(0, 0, colour); }
};

TEST_F(RenderTest, TextModeReverseAndFlash)
{
    struct Case {
        const char* name;
        uint8_t ff07, code, attribute, flashPhase;
        int glyph;                 // -1: no pattern (solid)
        uint8_t set, clear;
    } cases[] = {
        {"plain character", 0x08, 0x01, 0x32, 1, 0x01, 0x32, Bg0},
        {"reverse in 128-character mode", 0x08, 0x81, 0x71, 1, 0x01, Bg0, 0x71},
        {"no reverse with 256 characters", 0x88, 0x81, 0x71, 1, 0x81, 0x71, Bg0},
        {"flash, on phase", 0x08, 0x05, 0x82, 1, 0x05, 0x82, Bg0},
        {"flash, off phase hides it", 0x08, 0x05, 0x82, 0, -1, Bg0, Bg0},
        {"reverse flash, on phase", 0x08, 0x85, 0x82, 1, 0x05, Bg0, 0x82},
        {"reverse flash, off phase is solid", 0x08, 0x85, 0x82, 0, -1, 0x82, 0x82},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ram64[0xFF07] = c.ff07;
        Ted.FlashPhase = c.flashPhase;
        Put(2, 5, c.code, c.attribute);
        RenderRow(2);
        for (int j = 0; j < 8; j++) {
            uint8_t pattern = c.glyph < 0 ? 0 : Glyph(c.glyph, j);
            ASSERT_EQ(Cell(2, 5, j), Bits(pattern, c.set, c.clear)) << "cell line " << j;
        }
        // The neighbours are spaces in the background.
        EXPECT_EQ(Cell(2, 4, 0), Bits(Glyph(0x20, 0), 0x00, Bg0));
    }
}

TEST_F(RenderTest, ExtendedColourTakesTheLiveBackgroundRegisters)
{
    Ram64[0xFF06] = 0x5B;
    struct Case {
        uint8_t code;
        uint8_t background;
    } cases[] = {{0x01, Bg0}, {0x41, Bg1}, {0x81, Bg2}, {0xC1, Bg3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.code));
        Put(0, 0, c.code, 0x32);
        RenderRow(0);
        for (int j = 0; j < 8; j++)
            ASSERT_EQ(Cell(0, 0, j), Bits(Glyph(0x01, j), 0x32, c.background));
    }
    // 0xFF18 is read when the chunk is drawn, not latched with the line.
    RenderLine(56);
    Ram64[0xFF18] = 0x77;
    DrawCurrentLine();
    EXPECT_EQ(Cell(0, 0, 0), Bits(Glyph(0x01, 0), 0x32, 0x77));
    // Flash off phase: the glyph takes the background colour too.
    Ted.FlashPhase = 0;
    Put(0, 0, 0xC1, 0x82);
    RenderLine(56);
    EXPECT_EQ(Cell(0, 0, 0), Solid(0x77));
}

TEST_F(RenderTest, HiresBitmapColoursFromMatrixAndAttributes)
{
    // Bit 6 (extended colour) makes no difference; the vertical scroll
    // does not move bitmap rows.
    for (uint8_t ff06 : {0x3B, 0x7B, 0x3F, 0x38}) {
        SCOPED_TRACE(int(ff06));
        Ram64[0xFF06] = ff06;
        Put(3, 7, 0x21, 0x53);
        for (int j = 0; j < 8; j++)
            Ram64[Bitmap + 320 * 3 + 8 * 7 + j] = static_cast<uint8_t>(0x96 ^ j);
        RenderRow(3);
        for (int j = 0; j < 8; j++)
            ASSERT_EQ(Cell(3, 7, j), Bits(static_cast<uint8_t>(0x96 ^ j), 0x32, 0x51)) << "line " << j;
    }
}

TEST_F(RenderTest, MulticolourText)
{
    Ram64[0xFF07] = 0x18;
    for (int j = 0; j < 8; j++)
        Ram64[Charset + 8 * 0x05 + j] = 0x1B;   // pairs 00 01 10 11
    Put(1, 1, 0x05, 0x0E);
    // Attribute bit 3 clear: a plain hires cell, no flash and no reverse.
    Ted.FlashPhase = 0;
    Put(1, 2, 0x81, 0x82);
    RenderRow(1);
    for (int j = 0; j < 8; j++) {
        ASSERT_EQ(Cell(1, 1, j), Pixels({Bg0, Bg0, Bg1, Bg1, Bg2, Bg2, 0x06, 0x06}));
        ASSERT_EQ(Cell(1, 2, j), Bits(Glyph(0x01, j), 0x82, Bg0));
    }
    // With 256 characters the code keeps bit 7.
    Ram64[0xFF07] = 0x98;
    RenderRow(1);
    EXPECT_EQ(Cell(1, 2, 0), Bits(Glyph(0x81, 0), 0x82, Bg0));
}

TEST_F(RenderTest, MulticolourBitmap)
{
    Ram64[0xFF06] = 0x3B;
    Ram64[0xFF07] = 0x18;
    Put(24, 39, 0x21, 0x53);
    for (int j = 0; j < 8; j++)
        Ram64[Bitmap + 320 * 24 + 8 * 39 + j] = static_cast<uint8_t>(j & 1 ? 0x1B : 0xE4);
    RenderRow(24);
    for (int j = 0; j < 8; j++)
        ASSERT_EQ(Cell(24, 39, j), Pairs(static_cast<uint8_t>(j & 1 ? 0x1B : 0xE4), {Bg0, 0x32, 0x51, Bg1}));
}

TEST_F(RenderTest, ExtendedColourWithMulticolourShowsBlack)
{
    Ram64[0xFF06] = 0x5B;
    Ram64[0xFF07] = 0x18;
    Put(0, 3, 0x01, 0x32);
    RenderRow(0);
    EXPECT_EQ(Cell(0, 3, 0), Solid(0x00));
}

TEST_F(RenderTest, HorizontalScrollWithFortyColumnsFillsTheGapWithBackground)
{
    Ram64[0xFF07] = 0x0B;   // hs 3
    Put(0, 0, 0x07, 0x32);
    Put(0, 39, 0x08, 0x41);
    RenderRow(0);
    for (int j = 0; j < 8; j++) {
        const int line = 56 + j;
        ASSERT_EQ(Cell(0, 0, j, 3), Bits(Glyph(0x07, j), 0x32, Bg0));
        // The last column's rightmost 3 pixels scroll out under the border.
        const Pixels last = Bits(Glyph(0x08, j), 0x41, Bg0);
        for (int i = 0; i < 5; i++)
            ASSERT_EQ(Pixel(line, 379 + i), last[i]);
        for (int x = 64; x <= 66; x++)
            ASSERT_EQ(Pixel(line, x), Bg0) << x;
        ASSERT_EQ(Pixel(line, 63), Border);
        ASSERT_EQ(Pixel(line, 391), Border) << "the right border covers the scrolled-out pixels";
    }
}

TEST_F(RenderTest, ThirtyEightColumnsShowColumnZeroInTheScrollGap)
{
    Ram64[0xFF07] = 0x02;   // 38 columns, hs 2
    Put(0, 0, 0x07, 0x32);
    Put(0, 1, 0x09, 0x41);
    RenderRow(0);
    for (int j = 0; j < 8; j++) {
        const int line = 56 + j;
        const Pixels column0 = Bits(Glyph(0x07, j), 0x32, Bg0);
        ASSERT_EQ(Pixel(line, 72), column0[6]);
        ASSERT_EQ(Pixel(line, 73), column0[7]);
        ASSERT_EQ(At(line, 64), Solid(Border));
        ASSERT_EQ(Cell(0, 1, j, 2), Bits(Glyph(0x09, j), 0x41, Bg0));
    }
    // Multicolour text fills the gap the same way, but with the full code
    // even in 128-character mode.
    Ram64[0xFF07] = 0x12;
    Put(0, 0, 0x87, 0x32);
    RenderRow(0);
    EXPECT_EQ(Pixel(56, 73), Bits(Glyph(0x87, 0), 0x32, Bg0)[7]);
    // The bitmap modes fill it too (nothing of the previous frame stays),
    // from column 0's pixels; the invalid mode with black, as its window.
    // Column 0, line 0: pattern 00000010, colours one 0x02, zero 0x03.
    Ram64[Bitmap] = 0x02;
    Put(0, 0, 0x23, 0x00);
    struct {
        uint8_t ff06, ff07;
        uint8_t pixel72, pixel73;
    } modes[] = {
        {0x3B, 0x02, 0x02, 0x03},   // hires: the last two bits, one then zero
        {0x3B, 0x12, 0x03, 0x03},   // multicolour bitmap: the last pair, 10, zero
        {0x5B, 0x12, 0x00, 0x00},   // extended colour with multicolour: black
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(int(m.ff06) * 256 + m.ff07);
        Ram64[0xFF06] = m.ff06;
        Ram64[0xFF07] = m.ff07;
        std::memset(FrameBuffer, 0xEE, sizeof FrameBuffer);
        RenderRow(0);
        EXPECT_EQ(Pixel(56, 72), m.pixel72);
        EXPECT_EQ(Pixel(56, 73), m.pixel73);
    }
}

TEST_F(RenderTest, DisabledDisplayShowsTheBorderOverTheWholeWindow)
{
    for (uint8_t ff07 : {0x08, 0x0B, 0x00, 0x03}) {
        SCOPED_TRACE(int(ff07));
        Ram64[0xFF06] = 0x0B;
        Ram64[0xFF07] = ff07;
        Put(5, 5, 0x01, 0x32);
        RenderLines(0, 311);
        for (int line = 56; line < 256; line++)
            for (int x = 64; x < 384; x++)
                ASSERT_EQ(Pixel(line, x), Border) << line << "," << x;
    }
}

TEST_F(RenderTest, BorderLinesAndEdges)
{
    Ram64[0xFF06] = 0x13;   // 24 rows
    Ram64[0xFF07] = 0x03;   // 38 columns, hs 3
    // Scrolled border chunks spill into the first pixels of the next line
    // (from the last line into the first): two frames cover everything.
    RenderLines(0, 311);
    RenderLines(0, 311);
    for (int line : {0, 30, 57, 59, 252, 255, 311}) {
        // The line after the window gets no spill: its first hs pixels are
        // never drawn (the whole-frame modes show them as they were).
        for (int x = line == 252 ? 3 : 0; x < FrameWidth; x++)
            ASSERT_EQ(Pixel(line, x), Border) << line << "," << x;
    }
    for (int x : {0, 63, 71, 376, 383, 455})
        EXPECT_EQ(Pixel(100, x), Border) << x;
}

TEST_F(RenderTest, TextMatrixWrapsAfterOneKilobyte)
{
    Ram64[0xFF06] = 0x18;   // vs 0: lines 253-255 show row 25
    Ram64[Matrix + 1010] = 0x03;
    Ram64[Attributes + 1010] = 0x32;
    Ram64[Matrix + 6] = 0x04;   // 1000 + 30 - 1024
    Ram64[Attributes + 6] = 0x41;
    RenderLine(253);
    // Row 25 begins on line 253; its glyph line is (253 - 45) rem 8 = 0.
    EXPECT_EQ(At(253, 64 + 8 * 10), Bits(Glyph(0x03, 0), 0x32, Bg0));
    EXPECT_EQ(At(253, 64 + 8 * 30), Bits(Glyph(0x04, 0), 0x41, Bg0));
    // Extended colour mode does not wrap: it reads on past the matrix.
    Ram64[0xFF06] = 0x58;
    Ram64[Matrix + 1030] = 0x05;
    Ram64[Attributes + 1030] = 0x53;
    RenderLine(253);
    EXPECT_EQ(At(253, 64 + 8 * 30), Bits(Glyph(0x05, 0), 0x53, Bg0));
}

TEST_F(RenderTest, ScreenModesSkipWhatTheyNeverShow)
{
    struct Case {
        uint32_t mode;
        int firstLine, lastLine, firstPixel, lastPixel;   // what the mode shows
        int skippedLine;                                   // a line never drawn, or -1
        int skippedPixel;                                  // on window lines, or -1
    } cases[] = {
        {0, 56, 255, 64, 383, 55, 63},
        {1, 6, 305, 28, 427, 5, 23},
        {2, 0, 311, 0, 455, -1, -1},
        {3, 36, 275, 64, 383, 35, 400},
        {4, 0, 311, 0, 455, -1, -1},
        {5, 56, 255, 64, 383, 256, 384},
        {6, 6, 305, 28, 427, 306, 440},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Config.ScreenMode = c.mode;
        std::memset(FrameBuffer, 0xEE, sizeof FrameBuffer);
        RenderLines(0, 311);
        for (int line = c.firstLine; line <= c.lastLine; line++)
            for (int x = c.firstPixel; x <= c.lastPixel; x++)
                ASSERT_NE(Pixel(line, x), 0xEE) << line << "," << x;
        if (c.skippedLine >= 0) {
            EXPECT_EQ(Pixel(c.skippedLine, 200), 0xEE);
        }
        if (c.skippedPixel >= 0) {
            EXPECT_EQ(Pixel(100, c.skippedPixel), 0xEE);
        }
    }
}

TEST_F(RenderTest, FortyColumnGapIsFilledEvenWhereTheBorderIsSkipped)
{
    Config.ScreenMode = 0;
    Ram64[0xFF07] = 0x0D;   // hs 5
    std::memset(FrameBuffer, 0xEE, sizeof FrameBuffer);
    RenderRow(0);
    for (int x = 64; x < 69; x++)
        EXPECT_EQ(Pixel(56, x), Bg0) << x;
    EXPECT_EQ(Pixel(56, 63), 0xEE);
}

TEST_F(RenderTest, RenderStepCatchesUpWithTheRaster)
{
    RenderLine(100);
    std::memset(FrameBuffer, 0xEE, sizeof FrameBuffer);
    Ted.RenderColumn = 40;
    Ted.LinePosition = 60;
    RenderStep();   // chunks 40 to 60
    EXPECT_EQ(Ted.RenderColumn, 64);
    EXPECT_EQ(Pixel(100, 79), 0xEE);
    EXPECT_NE(Pixel(100, 80), 0xEE);
    EXPECT_NE(Pixel(100, 127), 0xEE);
    EXPECT_EQ(Pixel(100, 128), 0xEE);
    RenderStep();   // always at least one chunk
    EXPECT_EQ(Ted.RenderColumn, 68);
}

TEST_F(RenderTest, FramesAreCountedOncePerFrameEnd)
{
    Ted.FramesCompleted = 0;
    for (int frame = 0; frame < 3; frame++) {
        for (int line = 0; line < 312; line++) {
            Ted.RasterLine = static_cast<uint16_t>(line);
            for (int pos = 0; pos < 228; pos += 16) {
                Ted.LinePosition = static_cast<uint16_t>(pos);
                RenderStep();
            }
        }
    }
    EXPECT_EQ(Ted.FramesCompleted, 3u);
}

}  // namespace
