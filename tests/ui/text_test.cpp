// The text primitives: glyph mapping, cells in the frame buffer, the window
// clear, the presentation in every screen mode, and the menu protocol.
#include <gtest/gtest.h>

#include <cstring>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "ted/memory_map.h"
#include "ui/menu_protocol.h"
#include "ui/text.h"
#include "ui/ui_test_support.h"

namespace {

struct GlyphCase {
    uint8_t character;
    uint8_t screenCode;
};

TEST(GlyphMap, FollowsTheCharacterSet)
{
    const GlyphCase cases[] = {
        {'a', 1},    {'A', 1},  {'z', 26},  {'Z', 26}, {'@', 0},    {' ', 32}, {'0', 48},
        {'9', 57},   {'.', 46}, {'?', 63},  {'*', 42}, {'$', 36},   {'[', 27}, {'\\', 77},
        {']', 29},   {'_', 100}, {'|', 0},  {'{', 0},  {'}', 0},    {'~', 0},  {'^', 0},
        {'`', 0},    {0x7F, 0}, {0x80, 0},  {0xC1, 0}, {0xFF, 0},   {0x00, 0}, {0x0D, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlyphMap(c.character), c.screenCode) << "character 0x" << std::hex << int(c.character);
    for (int c = 0; c < 256; c++) {
        uint8_t k = GlyphMap(static_cast<uint8_t>(c));
        EXPECT_TRUE(k != 28 && k != 30 && k != 31) << "character " << c;
    }
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BootMenuMachine());
        std::memset(FrameBuffer, 0x55, sizeof FrameBuffer);
    }
    ScratchDirectory scratch;
};

// The 64 pixels of a cell whose top-left pixel is at the given offset.
void ExpectCellAt(uint32_t offset, uint8_t screenCode, uint8_t ink, uint8_t paper)
{
    for (int y = 0; y < 8; y++) {
        uint8_t bits = TestGlyphRow(screenCode, y);
        for (int x = 0; x < 8; x++) {
            uint8_t expected = (bits & (0x80 >> x)) ? ink : paper;
            ASSERT_EQ(FrameBuffer[offset + y * FrameWidth + x], expected) << "pixel " << x << "," << y;
        }
    }
}

TEST_F(TextTest, CellsSitOverTheDisplayWindow)
{
    DrawChar(0, 0, 'A', 0x71, 0x14);
    ExpectCellAt(56 * FrameWidth + 64, 1, 0x71, 0x14);
    DrawChar(39, 24, 'z', 0x23, 0x00);
    ExpectCellAt(248 * FrameWidth + 376, 26, 0x23, 0x00);
    // The cells end at line 255, pixel 383; the border around stays.
    EXPECT_EQ(FrameBuffer[255 * FrameWidth + 384], 0x55);
    EXPECT_EQ(FrameBuffer[256 * FrameWidth + 383], 0x55);
    EXPECT_EQ(FrameBuffer[56 * FrameWidth + 63], 0x55);
    EXPECT_EQ(FrameBuffer[55 * FrameWidth + 64], 0x55);
}

TEST_F(TextTest, TextRunsAlongTheRowAndBeyondTheWindow)
{
    DrawText(36, 3, "ab.\\_]", 0x61, 0x00);
    const uint8_t codes[] = {1, 2, 46, 77, 100, 29};
    for (int i = 0; i < 6; i++)
        ExpectCellAt(MenuWindowOffset + 3 * MenuRowStride + 8 * (36 + i), codes[i], 0x61, 0x00);
    // Column 40 is the border right of the window, on the same lines.
    EXPECT_EQ(MenuCellOffset(40, 3), (56 + 24) * FrameWidth + 384);
    // Past pixel 455 a cell continues on the following lines.
    EXPECT_EQ(MenuCellOffset(49, 0), 57 * FrameWidth + 0);
}

TEST_F(TextTest, NothingIsWrittenOutsideTheFrameBuffer)
{
    // The farthest cells land far beyond the buffer's end; the stores that
    // would fall there are dropped (the sanitizer build checks the rest).
    DrawChar(255, 255, 'X', 0x71, 0x00);
    DrawText(200, 31, "A LONG NAME THAT RUNS ON AND ON PAST EVERY EDGE OF THE PICTURE", 0x71, 0x00);
    DrawScreenCode(255, 200, 7, 0x00, 0x71);
    // Row 31 is the last one that starts inside the buffer (line 304).
    DrawChar(0, 31, 'B', 0x71, 0x00);
    ExpectCellAt(MenuCellOffset(0, 31), 2, 0x71, 0x00);
    EXPECT_EQ(MenuCellOffset(0, 31) + 7 * FrameWidth + 7, 311u * FrameWidth + 71);
}

TEST_F(TextTest, ScreenCodeTakesPaperBeforeInk)
{
    DrawScreenCode(5, 5, 1, 0x71, 0x00);
    ExpectCellAt(MenuCellOffset(5, 5), 1, 0x00, 0x71);
    DrawChar(6, 5, 'A', 0x71, 0x00);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            uint8_t a = FrameBuffer[MenuCellOffset(5, 5) + y * FrameWidth + x];
            uint8_t b = FrameBuffer[MenuCellOffset(6, 5) + y * FrameWidth + x];
            EXPECT_EQ(a == 0x00, b == 0x71);
        }
    // Codes that no character reaches are drawn as they are.
    DrawScreenCode(7, 5, 200, 0x14, 0x57);
    ExpectCellAt(MenuCellOffset(7, 5), 200, 0x57, 0x14);
}

TEST_F(TextTest, GlyphsComeFromTheKernalImageWhateverTheBanking)
{
    // Map RAM over the whole ROM area and fill it: the menus still draw the
    // KERNAL's characters.
    WriteByte(0xFF3F, 0);
    std::memset(Ram64 + 0xD000, 0xAA, 0x800);
    DrawChar(1, 1, 'Q', 0x71, 0x00);
    ExpectCellAt(MenuCellOffset(1, 1), 17, 0x71, 0x00);
    // Image bytes that a short kernal.bin did not cover are zero: plain paper.
    std::memset(KernalRom + 0x1000 + 8 * 17, 0, 8);
    DrawChar(1, 1, 'q', 0x71, 0x00);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(FrameBuffer[MenuCellOffset(1, 1) + y * FrameWidth + x], 0x00);
}

TEST_F(TextTest, ClearingTouchesOnlyTheWindow)
{
    ClearMenuWindow();
    for (int line = 0; line < FrameLines; line++)
        for (int x = 0; x < FrameWidth; x++) {
            bool inside = line >= 56 && line <= 255 && x >= 64 && x <= 383;
            ASSERT_EQ(FrameBuffer[line * FrameWidth + x], inside ? 0x00 : 0x55) << x << "," << line;
        }
}

// ---- Presentation -------------------------------------------------------------

struct ModeCase {
    uint32_t mode;
    uint32_t firstLine, lines, firstPixel, pixels, x, y;
    int across, down;   // surface pixels per frame pixel; surface rows per frame line
    bool scanLines;
};

uint8_t PatternAt(int x, int line)
{
    return static_cast<uint8_t>(x * 7 + line * 13);
}

TEST(PresentMenu, CopiesTheFrameInEveryScreenModesGeometry)
{
    const ModeCase cases[] = {
        {0, 56, 200, 64, 320, 0, 0, 1, 1, false},
        {1, 6, 300, 28, 400, 0, 0, 1, 1, false},
        {2, 0, 312, 0, 456, 28, 36, 1, 1, false},
        {3, 36, 240, 64, 320, 0, 0, 1, 1, false},
        {4, 0, 312, 0, 456, 92, 84, 1, 1, false},
        {5, 56, 200, 64, 320, 0, 0, 2, 2, false},
        {6, 6, 300, 28, 400, 0, 0, 2, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ScratchDirectory scratch;
        ASSERT_TRUE(BootMenuMachine("ScreenMode=" + std::to_string(c.mode) + "\n"));
        HeadlessSetPitchPadding(24);
        for (int line = 0; line < FrameLines; line++)
            for (int x = 0; x < FrameWidth; x++)
                FrameBuffer[line * FrameWidth + x] = PatternAt(x, line);
        uint64_t before = HeadlessPresentedCount();
        PresentMenu();
        ASSERT_EQ(HeadlessPresentedCount(), before + 1);
        const HeadlessFrame& frame = HeadlessLastPresented();
        for (uint32_t sy = 0; sy < frame.height; sy++)
            for (uint32_t sx = 0; sx < frame.width; sx++) {
                int fx = (static_cast<int>(sx) - static_cast<int>(c.x)) / c.across;
                int fy = (static_cast<int>(sy) - static_cast<int>(c.y)) / c.down;
                bool covered = sx >= c.x && sy >= c.y && fx < static_cast<int>(c.pixels) &&
                               fy < static_cast<int>(c.lines) && !(c.scanLines && (sy - c.y) % 2 == 1);
                if (!covered)
                    continue;   // whatever the surface held before
                ASSERT_EQ(frame.At(sx, sy), PatternAt(c.firstPixel + fx, c.firstLine + fy)) << sx << "," << sy;
            }
        if (c.mode == 2) {
            EXPECT_EQ(frame.At(28, 36), PatternAt(0, 0));
            EXPECT_EQ(frame.At(483, 347), PatternAt(455, 311));
        }
    }
}

TEST(PresentMenu, RetriesABusySurfaceAndSkipsALostOne)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(BootMenuMachine());
    std::memset(FrameBuffer, 0x33, sizeof FrameBuffer);
    uint64_t before = HeadlessPresentedCount();
    HeadlessInjectFault(HeadlessCall::SurfaceLock, DDERR_WASSTILLDRAWING, 1, 3);
    PresentMenu();
    EXPECT_EQ(HeadlessPresentedCount(), before + 1);
    EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x33);

    std::memset(FrameBuffer, 0x44, sizeof FrameBuffer);
    HeadlessInjectFault(HeadlessCall::SurfaceLock, DDERR_SURFACELOST);
    PresentMenu();
    EXPECT_EQ(HeadlessPresentedCount(), before + 1);
    PresentMenu();
    EXPECT_EQ(HeadlessPresentedCount(), before + 2);
    EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x44);
}

// ---- Menu protocol ---------------------------------------------------------------

TEST(MenuProtocol, SilencesTheSoundAndGivesItBack)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(BootMenuMachine());
    SoundBufferSetVolume(g_pDSBuffer1, -300);
    SoundBufferSetVolume(g_pDSBuffer2, -10000);
    SoundBufferSetVolume(g_pDSBuffer3, -1250);
    SavedVolumes saved;
    EnterMenu(saved);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -10000);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer2).volume, -10000);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer3).volume, -10000);
    LeaveMenu(saved);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -300);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer2).volume, -10000);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer3).volume, -1250);
}

TEST(MenuProtocol, WithoutSoundEmulationTouchesNoBuffer)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(BootMenuMachine("ScreenMode=0\nSoundEmulation=0\n"));
    int calls = HeadlessSoundCallCount();
    SavedVolumes saved;
    EnterMenu(saved);
    LeaveMenu(saved);
    EXPECT_EQ(HeadlessSoundCallCount(), calls);
}

TEST(MenuProtocol, OnlyTheLastQueuedMessageIsHandled)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(BootMenuMachine());
    SavedVolumes saved;
    EnterMenu(saved);
    HeadlessPostKeyMessage(VK_F6, true);
    HeadlessPostKeyMessage(VK_F7, true);
    HeadlessPostKeyMessage(VK_F9, true);
    HeadlessPostKeyMessage(VK_F11, true);
    LeaveMenu(saved);
    EXPECT_EQ(HeadlessQueuedMessages(), 0u);
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_EQ(OptionsMenuRequest, 0);
    EXPECT_EQ(DebuggerRequest, 0);
    EXPECT_EQ(SoftResetRequest, 1);

    // A Shift released while a menu was open: the key-up is the last
    // message and clears ShiftHeld.
    ShiftHeld = 1;
    EnterMenu(saved);
    HeadlessPostKeyMessage(VK_F8, true);
    HeadlessPostKeyMessage(VK_SHIFT, false);
    LeaveMenu(saved);
    EXPECT_EQ(ShiftHeld, 0);
    EXPECT_EQ(SaveMenuRequest, 0);

    // Nothing queued: nothing is dispatched.
    SoftResetRequest = 0;
    LeaveMenu(saved);
    EXPECT_EQ(SoftResetRequest, 0);
}

TEST(MenuProtocol, AQuitMessageStaysForTheMainLoop)
{
    ScratchDirectory scratch;
    ASSERT_TRUE(BootMenuMachine());
    SavedVolumes saved;
    HeadlessPostKeyMessage(VK_F7, true);
    PostQuitMessage(3);
    LeaveMenu(saved);
    Message message;
    ASSERT_TRUE(PeekMessage(&message));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(OptionsMenuRequest, 1);
}

}  // namespace
