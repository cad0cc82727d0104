// LineStep: line and frame wrap, the raster compare, the speed and window
// of each line, and the video latches of the line set-up.
#include "ted/memory_map.h"
#include "ted_fixture.h"

namespace {

using RasterTest = TedTest;

TEST_F(RasterTest, StepAcrossTheEndOfALine)
{
    Ted.RasterLine = 100;
    Ted.LinePosition = 220;
    Step(6);
    EXPECT_EQ(Ted.RasterLine, 101);
    EXPECT_EQ(Ted.LinePosition, 16);
    EXPECT_EQ(Ted.LineSetupPending, 1);
    EXPECT_EQ(Ted.RasterCompareArmed, 1);
    Step(0);
    EXPECT_EQ(Ted.LineSetupPending, 0);
}

TEST_F(RasterTest, AbnormallyLongStepStaysInsideTheLine)
{
    Ted.LinePosition = 0;
    Step(200);   // 800 units
    EXPECT_LT(Ted.LinePosition, 228);
    EXPECT_EQ(ReadByte(0xFF1E), static_cast<uint8_t>(ColumnTable[Ted.LinePosition]));
}

TEST_F(RasterTest, FrameWrapAdvancesTheFlashCounter)
{
    Ted.FlashCounter = 0;
    Ted.FlashPhase = 0;
    int toggles = 0;
    for (int frame = 1; frame <= 32; frame++) {
        Ted.RasterLine = 311;
        Ted.LinePosition = 224;
        uint8_t before = Ted.FlashPhase;
        Step(1);
        EXPECT_EQ(Ted.RasterLine, 0);
        EXPECT_EQ(Ted.FlashCounter, frame % 16);
        if (Ted.FlashPhase != before) {
            toggles++;
            EXPECT_EQ(frame % 16, 0) << "the phase changes on every 16th wrap";
        }
    }
    EXPECT_EQ(toggles, 2);
}

// One full frame of 1-cycle steps; returns the internal lines on which the
// raster request was raised and how often.
std::vector<int> RasterRequestLines(uint16_t compare)
{
    std::vector<int> lines;
    Ted.RasterCompare = compare;
    Ted.RasterLine = 0;
    Ted.LinePosition = 0;
    Ted.RasterCompareArmed = 1;
    for (int step = 0; step < 312 * 57; step++) {
        Ram64[0xFF09] = 0;
        LastCycle = 1;
        LineStep();
        if (Ram64[0xFF09] & 0x02) {
            lines.push_back(Ted.LinePosition == 0 ? Ted.RasterLine - 1 : Ted.RasterLine);
            EXPECT_GE(Ted.LinePosition == 0 ? 228 : Ted.LinePosition, 8);
        }
    }
    return lines;
}

TEST_F(RasterTest, RasterCompareOncePerLine)
{
    Ram64[0xFF0A] = 0x02;
    struct Case {
        uint16_t compare;
        int line;
    } cases[] = {{0, 52}, {4, 56}, {259, 311}, {260, 0}, {311, 51}, {203, 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.compare);
        Ted.RasterIrqDue = 0;
        std::vector<int> lines = RasterRequestLines(c.compare);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], c.line);
        EXPECT_EQ(Ted.RasterIrqDue, 1);
    }
    EXPECT_TRUE(RasterRequestLines(400).empty()) << "no TED line 400";
}

TEST_F(RasterTest, RasterRequestWaitsTwoCyclesAndNeedsTheEnableForIrqDue)
{
    Ted.RasterCompare = 10;
    Ted.RasterLine = 62;   // TED line 10
    Ted.RasterCompareArmed = 1;
    Ted.LinePosition = 0;
    Step(1);               // position 4: too early
    EXPECT_EQ(Ram64[0xFF09] & 0x02, 0);
    Step(1);               // position 8
    EXPECT_EQ(Ram64[0xFF09] & 0x02, 0x02);
    EXPECT_EQ(Ted.RasterIrqDue, 0) << "0xFF0A bit 1 clear";
    EXPECT_EQ(Ted.RasterCompareArmed, 0);
    Ram64[0xFF09] = 0;
    Step(1);
    EXPECT_EQ(Ram64[0xFF09], 0) << "once per line";
}

TEST_F(RasterTest, DoubleSpeedLinesFollowTheDisplayEnable)
{
    for (uint8_t ff06 : {0x1B, 0x0B}) {
        Ram64[0xFF06] = ff06;
        for (int line = 0; line < 312; line++) {
            Ted.RasterLine = static_cast<uint16_t>((line + 311) % 312);
            Ted.LinePosition = 224;
            Step(1);
            bool single = (ff06 & 0x10) && line >= 53 && line <= 259;
            ASSERT_EQ(Ted.DoubleSpeedLine, single ? 0 : 1) << "line " << line << " ff06 " << int(ff06);
        }
    }
}

TEST_F(RasterTest, WindowEdgesForColumnsAndRows)
{
    struct Case {
        uint8_t ff06, ff07;
        uint16_t left, right, top, bottom;
    } cases[] = {
        {0x18, 0x08, 32, 192, 56, 256},
        {0x10, 0x08, 32, 192, 60, 252},
        {0x18, 0x00, 36, 188, 56, 256},
        {0x10, 0x00, 36, 188, 60, 252},
    };
    for (const auto& c : cases) {
        Ram64[0xFF06] = c.ff06;
        Ram64[0xFF07] = c.ff07;
        Ted.LinePosition = 224;
        Step(1);
        EXPECT_EQ(Ted.WindowLeft, c.left);
        EXPECT_EQ(Ted.WindowRight, c.right);
        EXPECT_EQ(Ted.WindowTop, c.top);
        EXPECT_EQ(Ted.WindowBottom, c.bottom);
    }
}

TEST_F(RasterTest, TextLineFlags)
{
    struct Case {
        const char* name;
        uint8_t ff06, ff07;
        int firstSet, lastSet;   // -1: none
    } cases[] = {
        {"text, 25 rows", 0x18, 0x08, 56, 256},
        {"text, 24 rows", 0x10, 0x08, 60, 252},
        {"bitmap", 0x38, 0x08, -1, -1},
        {"multicolour", 0x18, 0x18, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ram64[0xFF06] = c.ff06;
        Ram64[0xFF07] = c.ff07;
        for (int line = 0; line < 312; line++)
            Ted.TextLineFlags[line] = 7;   // lines outside 56-256 keep this
        for (int line = 0; line < 312; line++) {
            Ted.RasterLine = static_cast<uint16_t>((line + 311) % 312);
            Ted.LinePosition = 224;
            Step(1);
        }
        for (int line = 0; line < 312; line++) {
            uint8_t expected = (line < 56 || line > 256) ? 7 : (line >= c.firstSet && line <= c.lastSet) ? 1 : 0;
            ASSERT_EQ(Ted.TextLineFlags[line], expected) << "line " << line;
        }
    }
}

TEST_F(RasterTest, LineSetUpLatchesTheRegisters)
{
    Ram64[0xFF06] = 0x1D;   // vs 5
    Ram64[0xFF07] = 0x86;   // 256 characters, hs 6
    Ram64[0xFF12] = 0x18;   // bitmap at 0x6000
    Ram64[0xFF13] = 0x34;   // character base 0x3000 (256 characters: bit 2 dropped)
    Ram64[0xFF14] = 0x0F;   // matrix at 0x0C00
    for (int i = 0; i < 5; i++)
        Ram64[0xFF15 + i] = static_cast<uint8_t>(0x21 + i);
    Ted.RasterLine = 100;
    Ted.LineSetupPending = 1;
    Step(0);
    const LineLatches& l = Ted.Latch;
    EXPECT_EQ(l.vs, 5);
    EXPECT_EQ(l.hs, 6);
    EXPECT_EQ(l.mb, 0x0C00);
    EXPECT_EQ(l.bb, 0x6000);
    EXPECT_EQ(l.cb, 0x3000);
    EXPECT_EQ(l.cr, (100 - 56) >> 3);
    EXPECT_EQ(l.bg0, 0x21);
    EXPECT_EQ(l.bg3, 0x24);
    EXPECT_EQ(l.border, 0x25);
    EXPECT_EQ(l.gl, 0x3000 + (100 - 5 - 45) % 8);
    EXPECT_EQ(l.glyphRom, 0);
    EXPECT_EQ(l.cp, 0x0C00 + 40 * ((100 - 53 - 5) / 8));
    EXPECT_EQ(l.ap, l.cp - 0x400);
    EXPECT_EQ(Ted.RowMatrixBase[100], 0x0C00);

    Ram64[0xFF07] = 0x06;   // 128 characters keep bit 2 of the base
    Ted.LineSetupPending = 1;
    Step(0);
    EXPECT_EQ(Ted.Latch.cb, 0x3400);
}

TEST_F(RasterTest, GlyphSourceIgnoresBanking)
{
    struct Case {
        uint8_t ff12, ff13;
        uint8_t rom;
    } cases[] = {
        {0x00, 0xD0, 0},   // bit 2 clear: RAM
        {0x04, 0xD0, 2},   // KERNAL
        {0x04, 0x80, 1},   // BASIC
        {0x04, 0x70, 0},   // below 0x8000: RAM
    };
    Ted.RomEnabled = 0;
    Ted.RomBank = 5;
    for (const auto& c : cases) {
        Ram64[0xFF12] = c.ff12;
        Ram64[0xFF13] = c.ff13;
        Ted.LineSetupPending = 1;
        Ted.RasterLine = 80;
        Step(0);
        EXPECT_EQ(Ted.Latch.glyphRom, c.rom) << std::hex << int(c.ff12) << " " << int(c.ff13);
    }
}

TEST_F(RasterTest, TextRowsFollowTheVerticalScroll)
{
    // vs = 3: row 0 on lines 56-63; vs = 7: row 0 from line 60 (earlier
    // window lines show row 0 too); vs = 0: row 0 began on line 53.
    struct Case {
        uint8_t vs;
        int line;
        int row;
    } cases[] = {
        {3, 56, 0}, {3, 63, 0}, {3, 64, 1}, {3, 255, 24},
        {7, 56, 0}, {7, 60, 0}, {7, 67, 0}, {7, 68, 1},
        {0, 56, 0}, {0, 60, 0}, {0, 61, 1}, {0, 255, 25},
    };
    Ram64[0xFF14] = 0x08;   // matrix 0x0C00
    for (const auto& c : cases) {
        Ram64[0xFF06] = static_cast<uint8_t>(0x18 | c.vs);
        Ted.RasterLine = static_cast<uint16_t>(c.line);
        Ted.LineSetupPending = 1;
        Step(0);
        EXPECT_EQ(Ted.Latch.cp, 0x0C00 + 40 * c.row) << "vs " << int(c.vs) << " line " << c.line;
    }
    // Before line 56 the pointers keep their value.
    Ted.Latch.cp = 0x1234;
    Ted.RasterLine = 55;
    Ted.LineSetupPending = 1;
    Step(0);
    EXPECT_EQ(Ted.Latch.cp, 0x1234);
}

}  // namespace
