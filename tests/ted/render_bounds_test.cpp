// Unusual bases and pointers near the top of memory: every fetch wraps
// inside the 64 KiB space or the 16 KiB ROM image, and nothing is written
// outside the frame buffer.  Run under AddressSanitizer these catch any
// read past Ram64 (exactly 64 KiB here) or past a ROM image.
#include <cstring>

#include "ted_fixture.h"

namespace {

class RenderBoundsTest : public TedTest {
protected:
    void SetUp() override
    {
        TedTest::SetUp();
        Config.ScreenMode = 2;
        Ted.FlashPhase = 1;
        Ram64[0xFF15] = 0x23;
        Ram64[0xFF19] = 0x6E;
    }
    static uint8_t Expected(uint8_t pattern, int i, uint8_t set, uint8_t clear)
    {
        return (pattern & (0x80 >> i)) ? set : clear;
    }
};

// 38 columns, multicolour text, code 0xFF in column 0: the scroll gap
// fetches glyph 0xFF without reducing it to 7 bits, 0x7F8 bytes past a
// 1 KiB character base at the top of RAM or of a ROM image.
TEST_F(RenderBoundsTest, GlyphFetchPastTheEndWraps)
{
    struct Case {
        const char* name;
        uint8_t ff12, ff13;
        const uint8_t* image;
        uint16_t mask;
    } cases[] = {
        {"RAM at 0xFC00", 0x00, 0xFC, nullptr, 0xFFFF},
        {"BASIC at 0xBC00", 0x04, 0xBC, BasicRom, 0x3FFF},
        {"KERNAL at 0xFC00", 0x04, 0xFC, KernalRom, 0x3FFF},
    };
    for (int i = 0; i < 0x4000; i++) {
        BasicRom[i] = static_cast<uint8_t>(i * 7);
        KernalRom[i] = static_cast<uint8_t>(i * 11 + 3);
    }
    for (int i = 0; i < 0x10000; i++)
        if (i < 0xFF00 || i >= 0xFF40)
            Ram64[i] = static_cast<uint8_t>(i * 5 + 1);
    Ram64[0xFF06] = 0x1B;
    Ram64[0xFF07] = 0x17;   // multicolour, 38 columns, hs 7, 128 characters
    Ram64[0xFF14] = 0x08;
    Ram64[0x0C00] = 0xFF;   // row 0, column 0
    Ram64[0x0800] = 0x32;   // attribute bit 3 clear: plain pixels
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ram64[0xFF12] = c.ff12;
        Ram64[0xFF13] = c.ff13;
        RenderLine(60);   // cell line 4
        const uint8_t* image = c.image ? c.image : Ram64;
        const uint16_t address = static_cast<uint16_t>((c.ff13 << 8) + 4 + 8 * 0xFF);
        const uint8_t pattern = image[address & c.mask];
        for (int i = 0; i < 7; i++)
            EXPECT_EQ(Pixel(60, 72 + i), Expected(pattern, i + 1, 0x32, 0x23)) << i;
    }
}

TEST_F(RenderBoundsTest, MatrixPointersNearFFFFWrap)
{
    for (int i = 0; i < 0x10000; i++)
        if (i < 0xFF00 || i >= 0xFF40)
            Ram64[i] = static_cast<uint8_t>(i ^ (i >> 8));
    Ram64[0xFF14] = 0xF8;   // matrix at 0xFC00, attributes at 0xF800
    Ram64[0xFF13] = 0x20;
    // Extended colour mode with vs 0 shows a 26th row at 0xFC00 + 1000,
    // without the matrix wrap: columns from 24 on lie past 0xFFFF.
    Ram64[0xFF06] = 0x58;
    Ram64[0xFF07] = 0x08;
    RenderLine(253);
    for (int col : {23, 24, 39}) {
        const uint16_t cell = static_cast<uint16_t>(0xFC00 + 1000 + col);
        const uint8_t code = Ram64[cell];
        const uint8_t attribute = Ram64[static_cast<uint16_t>(cell - 0x400)];
        const uint8_t background = Ram64[0xFF15 + (code >> 6)];
        const uint8_t pattern = Ram64[0x2000 + 8 * (code & 0x3F)];
        for (int i = 0; i < 8; i++)
            ASSERT_EQ(Pixel(253, 64 + 8 * col + i), Expected(pattern, i, attribute, background)) << col;
    }
    // Bitmap colours and patterns with the highest bases.
    Ram64[0xFF06] = 0x38;
    Ram64[0xFF12] = 0x38;   // bitmap at 0xE000
    RenderLines(248, 255);
    const uint16_t s = static_cast<uint16_t>(0xFC00 + 40 * 24 + 39);
    const uint8_t pattern = Ram64[0xE000 + 320 * 24 + 8 * 39 + 7];
    const uint8_t one = static_cast<uint8_t>(((Ram64[s - 0x400] & 0x0F) << 4) | (Ram64[s] >> 4));
    const uint8_t zero = static_cast<uint8_t>((Ram64[s - 0x400] & 0xF0) | (Ram64[s] & 0x0F));
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(Pixel(255, 376 + i), Expected(pattern, i, one, zero));
}

// A window chunk drawn before its line's set-up uses the previous line's
// latches, here those of a line above the window (character row -1).
TEST_F(RenderBoundsTest, WindowChunkWithLatchesFromAboveTheWindow)
{
    Ram64[0xFF06] = 0x3B;   // hires bitmap
    Ram64[0xFF07] = 0x08;
    Ram64[0xFF12] = 0x38;
    Ram64[0xFF14] = 0xF8;
    Ted.RasterLine = 55;
    Ted.LineSetupPending = 1;
    Step(0);
    EXPECT_LT(Ted.Latch.cr, 0);
    Ted.LinePosition = 224;
    Step(1);   // line 56 begins; its set-up is still pending
    Ted.LinePosition = 224;
    Ted.RenderColumn = 228;
    RenderStep();
    SUCCEED();
}

TEST_F(RenderBoundsTest, ScrolledLastChunkOfTheFrameStaysInTheBuffer)
{
    Ram64[0xFF06] = 0x1B;
    Ram64[0xFF07] = 0x0F;   // hs 7
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
    RenderLine(311);
    for (int x = 7; x < FrameWidth; x++)
        ASSERT_EQ(Pixel(311, x), 0x6E) << x;
    // The spill past the last pixel lands at the start of the frame.
    for (int x = 0; x < 7; x++)
        EXPECT_EQ(Pixel(0, x), 0x6E) << x;
    EXPECT_EQ(Pixel(0, 7), 0x00);
}

TEST_F(RenderBoundsTest, PutPixels8DropsBytesPastTheBuffer)
{
    const uint8_t pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint32_t size = sizeof FrameBuffer;
    std::memset(FrameBuffer, 0, size);
    PutPixels8(FrameBuffer, size - 8, pixels);
    EXPECT_EQ(FrameBuffer[size - 1], 8);
    PutPixels8(FrameBuffer, size - 3, pixels);
    EXPECT_EQ(FrameBuffer[size - 3], 1);
    EXPECT_EQ(FrameBuffer[size - 1], 3);
    PutPixels8(FrameBuffer, size + 100, pixels);
    PutPixels8(FrameBuffer, 0xFFFFFFFFu, pixels);
    uint8_t line[8];
    FillPixels8(line, 0x5A);
    for (uint8_t b : line)
        EXPECT_EQ(b, 0x5A);
}

}  // namespace
