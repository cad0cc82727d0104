// Frame presentation on the headless backend: where each screen mode puts
// the frame buffer's pixels, the palette, lost surfaces and the pacing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "machine/settings.h"
#include "platform/headless/headless_control.h"
#include "platform/setup.h"
#include "support/test_support.h"

namespace {

// A frame buffer in which every pixel tells where it came from.
uint8_t Marker(uint32_t x, uint32_t y) { return static_cast<uint8_t>((x * 7 + y * 13) % 251 + 1); }

void FillMarkers()
{
    for (uint32_t y = 0; y < FrameLines; y++)
        for (uint32_t x = 0; x < FrameWidth; x++)
            FrameBuffer[y * FrameWidth + x] = Marker(x, y);
}

class PresentTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ResetMachineToPowerOn();
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    void Boot(const std::string& settings, int32_t pitchPadding = 0)
    {
        ResetMachineToPowerOn();
        HeadlessSetPitchPadding(pitchPadding);
        dir.WriteText("settings", settings + "SoundEmulation=0\n");
        int exitCode = 0;
        ASSERT_TRUE(StartUp(1, &exitCode));
    }
};

struct ModeGeometry {
    uint32_t screenMode;
    uint32_t top, lines, left, width;   // frame-buffer block
    uint32_t x, y;                      // surface position
    uint32_t across, down, rowStep;     // pixel and line doubling
};

const ModeGeometry Geometries[] = {
    {0, 56, 200, 64, 320, 0, 0, 1, 1, 1},  {1, 6, 300, 28, 400, 0, 0, 1, 1, 1},
    {2, 0, 312, 0, 456, 28, 36, 1, 1, 1},  {3, 36, 240, 64, 320, 0, 0, 1, 1, 1},
    {4, 0, 312, 0, 456, 92, 84, 1, 1, 1},  {5, 56, 200, 64, 320, 0, 0, 2, 2, 2},
    {6, 6, 300, 28, 400, 0, 0, 2, 1, 2},
};

TEST_F(PresentTest, EachModePutsThePixelsWhereItsTableSays)
{
    // A pitch well beyond every width: rows must be reached through it.
    for (int32_t padding : {0, 40}) {
        for (const ModeGeometry& g : Geometries) {
            SCOPED_TRACE("mode " + std::to_string(g.screenMode) + " padding " + std::to_string(padding));
            Boot("ScreenMode=" + std::to_string(g.screenMode) + "\n", padding);
            FillMarkers();
            Ram64[0xFF06] = 0;   // no cursor
            PresentFrame();
            const HeadlessFrame& f = HeadlessLastPresented();
            ASSERT_EQ(f.pitch, static_cast<int32_t>(f.width) + padding);
            // Everything the mode writes, and nothing else in the mode's area.
            std::vector<uint8_t> written(static_cast<size_t>(f.width) * f.height, 0);
            size_t wrong = 0;
            for (uint32_t line = 0; line < g.lines; line++) {
                for (uint32_t px = 0; px < g.width; px++) {
                    for (uint32_t dy = 0; dy < g.down; dy++) {
                        for (uint32_t dx = 0; dx < g.across; dx++) {
                            uint32_t sx = g.x + px * g.across + dx;
                            uint32_t sy = g.y + line * g.rowStep + dy;
                            written[static_cast<size_t>(sy) * f.width + sx] = 1;
                            wrong += f.At(sx, sy) != Marker(g.left + px, g.top + line);
                        }
                    }
                }
            }
            EXPECT_EQ(wrong, 0u);
            size_t touched = 0;
            uint8_t untouched = g.screenMode == 2 || g.screenMode == 4 || g.screenMode == 6 ? 0x00 : 0xEE;
            for (uint32_t y = 0; y < f.height; y++) {
                for (uint32_t x = 0; x < f.width; x++)
                    touched += !written[static_cast<size_t>(y) * f.width + x] && f.At(x, y) != untouched;
                for (int32_t x = f.width; x < f.pitch; x++)
                    touched += f.At(x, y) != 0xEE;
            }
            EXPECT_EQ(touched, 0u) << "pixels outside the copied block changed";
        }
    }
}

TEST_F(PresentTest, NamedCornersOfTheModes)
{
    Boot("ScreenMode=2\n");
    FillMarkers();
    FrameBuffer[0] = 0x21;
    FrameBuffer[311 * FrameWidth + 455] = 0x42;
    PresentFrame();
    EXPECT_EQ(HeadlessLastPresented().At(28, 36), 0x21);
    EXPECT_EQ(HeadlessLastPresented().At(483, 347), 0x42);

    // Mode 5 on a surface whose pitch exceeds 640: each doubled row lies
    // directly under the first.
    Boot("ScreenMode=5\n", 64);
    FillMarkers();
    FrameBuffer[56 * FrameWidth + 64] = 0x33;
    FrameBuffer[57 * FrameWidth + 64] = 0x44;
    PresentFrame();
    const HeadlessFrame& f = HeadlessLastPresented();
    EXPECT_EQ(f.pitch, 704);
    for (uint32_t x : {0u, 1u})
        for (uint32_t y : {0u, 1u})
            EXPECT_EQ(f.At(x, y), 0x33) << x << "," << y;
    EXPECT_EQ(f.At(0, 2), 0x44);
    EXPECT_EQ(f.At(1, 3), 0x44);
    EXPECT_EQ(f.At(639, 399), Marker(383, 255));

    // Mode 6: black scan lines between the doubled-across lines.
    Boot("ScreenMode=6\n", 16);
    std::memset(FrameBuffer, 0x71, sizeof FrameBuffer);
    PresentFrame();
    const HeadlessFrame& s = HeadlessLastPresented();
    for (uint32_t y = 0; y < 600; y++)
        ASSERT_EQ(s.At(400, y), (y % 2 == 0) ? 0x71 : 0x00) << y;
}

TEST_F(PresentTest, FlashBitNeverChangesTheColour)
{
    Boot("");
    const PaletteEntry* palette = HeadlessPalette();
    ASSERT_NE(palette, nullptr);
    for (int i = 0; i < 128; i++) {
        EXPECT_EQ(palette[i].red, palette[i + 128].red) << i;
        EXPECT_EQ(palette[i].green, palette[i + 128].green) << i;
        EXPECT_EQ(palette[i].blue, palette[i + 128].blue) << i;
        EXPECT_EQ(palette[i].flags, 0) << i;
    }
    EXPECT_EQ(palette[0x93].red, palette[0x13].red);
    EXPECT_EQ(palette[0x93].green, 56);
    EXPECT_EQ(palette[0x93].blue, 52);
    // Luminance rows of white and black, and the brightest pink.
    EXPECT_EQ(palette[0x71].red, 252);
    EXPECT_EQ(palette[0x31].green, 108);
    EXPECT_EQ(palette[0x70].blue, 0);
    EXPECT_EQ(palette[0x74].red, 255);
    EXPECT_EQ(palette[0x74].green, 159);
}

TEST_F(PresentTest, ALostSurfaceIsRestoredAndTheFrameSkipped)
{
    Boot("");
    uint64_t shown = HeadlessPresentedCount();
    HeadlessInjectFault(HeadlessCall::SurfaceLock, DDERR_SURFACELOST);
    PresentFrame();
    EXPECT_EQ(HeadlessPresentedCount(), shown);
    EXPECT_EQ(HeadlessRestoreCount(), 1);
    PresentFrame();   // the next frame goes through again
    EXPECT_EQ(HeadlessPresentedCount(), shown + 1);
    EXPECT_EQ(HeadlessRestoreCount(), 1);

    // "Still drawing" is asked again until the lock is granted.
    HeadlessInjectFault(HeadlessCall::SurfaceLock, DDERR_WASSTILLDRAWING, 1, 5);
    PresentFrame();
    EXPECT_EQ(HeadlessPresentedCount(), shown + 2);
    EXPECT_EQ(HeadlessRestoreCount(), 1);
}

TEST_F(PresentTest, SyncValuesPaceAndClearTheFrameEnd)
{
    struct Row {
        uint32_t sync;
        uint64_t ticksAdded;    // vertical blanks waited plus pictures shown
        bool clockMoves;
        bool armedAfter;
    };
    const Row rows[] = {{0, 1, false, false}, {1, 2, true, false}, {2, 1, true, false}};
    // A value past the last choice paces as the default does.
    Row outOfRange = rows[DefaultSync];
    outOfRange.sync = 3;
    for (Row row : {rows[0], rows[1], rows[2], outOfRange}) {
        SCOPED_TRACE(row.sync);
        Boot("Sync=" + std::to_string(row.sync) + "\n");
        HeadlessAdvanceClock(5'000'000);   // mid-refresh
        Ted.FrameEndArmed = 1;
        uint64_t ticks = HeadlessTicks();
        int64_t clock = HeadlessClockNow();
        PresentFrame();
        EXPECT_EQ(HeadlessTicks() - ticks, row.ticksAdded);
        EXPECT_EQ(HeadlessClockNow() != clock, row.clockMoves);
        EXPECT_EQ(Ted.FrameEndArmed, row.armedAfter ? 1 : 0);
    }
}

TEST_F(PresentTest, VerticalBlankSyncShowsTheFrameAfterTheWait)
{
    Boot("Sync=1\n");
    std::memset(FrameBuffer, 0x32, sizeof FrameBuffer);
    HeadlessAdvanceClock(7'000'000);
    int64_t shownAt = -1;
    HeadlessOnPresent([&](const HeadlessFrame&) { shownAt = HeadlessClockNow(); });
    PresentFrame();
    EXPECT_EQ(shownAt, HeadlessRefreshPeriod);
    EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x32);
}

TEST_F(PresentTest, FiftyHertzNeverPresentsSoonerAndDoesNotMakeUpASlowFrame)
{
    Boot("Sync=2\n");
    const int64_t period = FramePeriod;
    ASSERT_EQ(period, 20'000'000);
    std::vector<int64_t> shown;
    HeadlessOnPresent([&](const HeadlessFrame&) { shown.push_back(HeadlessClockNow()); });

    // Fast frames: each one 3 ms of emulation, presented a period after the
    // previous wait ended.
    LastFrameTime = HeadlessClockNow();
    int64_t waitEnded = LastFrameTime;
    for (int frame = 0; frame < 5; frame++) {
        HeadlessAdvanceClock(3'000'000);
        PresentFrame();
        EXPECT_EQ(shown.back(), waitEnded + period) << frame;
        EXPECT_EQ(LastFrameTime, shown.back());
        waitEnded = LastFrameTime;
    }
    // A slow frame (45 ms) is presented at once; the next one is paced from
    // the end of that frame, not caught up.
    HeadlessAdvanceClock(45'000'000);
    int64_t slowEnd = HeadlessClockNow();
    PresentFrame();
    EXPECT_EQ(shown.back(), slowEnd);
    HeadlessAdvanceClock(1'000'000);
    PresentFrame();
    EXPECT_EQ(shown.back(), slowEnd + period);
    // Between consecutive presents never less than a period.
    for (size_t i = 1; i < shown.size(); i++)
        EXPECT_GE(shown[i] - shown[i - 1], period) << i;
}

TEST_F(PresentTest, SwitchingToFiftyHertzLaterReturnsAtOnce)
{
    // LastFrameTime is refreshed only while pacing by the timer.
    Boot("Sync=0\n");
    for (int i = 0; i < 3; i++) {
        HeadlessAdvanceClock(30'000'000);
        PresentFrame();
    }
    Config.Sync = 2;
    int64_t before = HeadlessClockNow();
    PresentFrame();
    EXPECT_EQ(HeadlessClockNow(), before);
    EXPECT_EQ(LastFrameTime, before);
}

TEST_F(PresentTest, ModesBeyondSixShowTheDefaultMode)
{
    Boot("ScreenMode=7\n");
    ASSERT_EQ(Config.ScreenMode, DefaultScreenMode);
    FillMarkers();
    uint64_t shown = HeadlessPresentedCount();
    PresentFrame();
    ASSERT_EQ(HeadlessPresentedCount(), shown + 1);
    const HeadlessFrame& f = HeadlessLastPresented();
    size_t changed = 0;
    for (uint8_t byte : f.pixels)
        changed += byte != 0xEE;
    EXPECT_GT(changed, 0u) << "a black screen";
}

}  // namespace

namespace {

// A cursor in the top left cell: ink 0x71 on background 0 (the drawing
// swaps the two).
void PrepareCursor()
{
    Ram64[0xFF06] = 0x1B;   // display on, 25 rows, vertical scroll 3
    Ram64[0xFF07] = 0x08;   // 40 columns
    Ram64[0xFF0C] = 0;
    Ram64[0xFF0D] = 0;      // cursor position 0
    Ram64[0xFF15] = 0x00;
    Ted.FlashPhase = 1;
    Ted.Latch.vs = 3;
    Ted.Latch.hs = 0;
    for (int line = 56; line < 64; line++) {
        Ted.TextLineFlags[line] = 1;
        Ted.RowMatrixBase[line] = 0x0C00;
    }
    Ram64[0x0800] = 0x71;   // the cell's attribute
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
}

TEST_F(PresentTest, TheCursorIsDrawnBeforeTheCopyAndBeforeTheVerticalBlank)
{
    Boot("");
    PrepareCursor();
    DrawCursor();
    if (FrameBuffer[56 * FrameWidth + 64] != 0x71)
        GTEST_SKIP() << "the cursor is not drawn in this build";

    for (uint32_t sync : {0u, 1u, 2u}) {
        SCOPED_TRACE(sync);
        Boot("Sync=" + std::to_string(sync) + "\n");
        PrepareCursor();
        int cursorAtBlank = -1;
        HeadlessAtTick(HeadlessTicks() + 1, [&] { cursorAtBlank = FrameBuffer[56 * FrameWidth + 64]; });
        PresentFrame();
        EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x71);
        EXPECT_EQ(HeadlessLastPresented().At(7, 7), 0x71);
        EXPECT_EQ(HeadlessLastPresented().At(8, 0), 0x00);
        if (sync == 1) {
            EXPECT_EQ(cursorAtBlank, 0x71) << "the cursor comes before the wait";
        }

        // With the display blanked no cursor is drawn.
        PrepareCursor();
        Ram64[0xFF06] = 0x0B;
        PresentFrame();
        EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x00);
    }
}

// Drawing on demand: frames nobody looks at are run but neither drawn nor
// shown, each still a tick; a look from inside the machine (a screenshot)
// waits for two whole frames, and a request that does not look runs at once.
TEST_F(PresentTest, FramesNobodyLooksAtAreNotShownAndALookWaitsForWholeOnes)
{
    Boot("Sync=0\nScreenMode=2\n");
    HeadlessDrawOnDemand(true);
    int exitCode = 0;
    const auto frames = [&](int n) { return RunMainLoop(&exitCode, Ted.FramesCompleted + n); };
    ASSERT_TRUE(frames(5));
    const uint64_t presented = HeadlessPresentedCount(), ticks = HeadlessTicks();
    ASSERT_TRUE(frames(10));
    EXPECT_EQ(HeadlessPresentedCount(), presented);
    EXPECT_EQ(HeadlessTicks(), ticks + 10);
    EXPECT_EQ(Ted.NotDrawing, 1);

    ScreenshotRequest = 1;
    for (int frame = 0; frame < 2; frame++) {
        ASSERT_TRUE(frames(1));
        EXPECT_EQ(ScreenshotRequest, 1) << "a picture drawn from frame " << frame;
    }
    ASSERT_TRUE(frames(1));
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_TRUE(dir.Exists("output.bmp"));
    EXPECT_EQ(HeadlessPresentedCount(), presented + 1);

    ASSERT_TRUE(frames(3));
    SoftResetRequest = 1;
    ASSERT_TRUE(frames(1));
    EXPECT_EQ(SoftResetRequest, 0);
    EXPECT_EQ(Ted.NotDrawing, 1);
}

}  // namespace
