// The real KERNAL boots to READY: the runner's screen text, the banner's
// pixels against the KERNAL character generator, the border, and the
// cursor blinking with the flash phase.  Needs the real ROM images and the
// processor interpreter; skips without either.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "cpu/cpu.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "run_headless.h"

namespace {

// The interpreter is in place when a NOP moves PC on.
bool InterpreterPresent()
{
    ResetMachineToPowerOn();
    std::vector<uint8_t> ram(0x10000, 0xEA);
    Ram64 = ram.data();
    Cpu.PC = 0x1000;
    ExecuteInstruction();
    const bool present = Cpu.PC == 0x1001;
    Ram64 = nullptr;
    ResetMachineToPowerOn();
    return present;
}

#define REQUIRE_BOOTABLE_MACHINE()                                                           \
    do {                                                                                     \
        REQUIRE_REAL_ROMS();                                                                 \
        if (!InterpreterPresent())                                                           \
            GTEST_SKIP() << "the processor interpreter is not in place yet; the KERNAL cannot boot"; \
    } while (0)

// On each model: the C16's 16 KiB leave 12277 bytes for BASIC (the KERNAL
// finds the RAM's repeat), and the C16s show no function ROM.
TEST(KernalBoot, RunnerPrintsTheBanner)
{
    REQUIRE_BOOTABLE_MACHINE();
    struct Case {
        const char* settings;
        bool functionRoms;
        const char* bytesFree;
    } cases[] = {{"", false, "60671 BYTES FREE"},
                 {"Plus4ROMS=1\n", true, "60671 BYTES FREE"},
                 {"Plus4ROMS=1\nModel=1\n", false, "12277 BYTES FREE"},
                 {"Plus4ROMS=1\nModel=2\n", false, "60671 BYTES FREE"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        ScratchDirectory dir;
        dir.CopyRealRoms(true);
        dir.WriteText("settings", c.settings);
        HeadlessRun run = RunHeadless(dir, "--frames 300 --screen-text");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const size_t banner = run.out.find("COMMODORE BASIC V3.5");
        const size_t bytesFree = run.out.find(c.bytesFree);
        const size_t ready = run.out.find("\nREADY.\n");
        EXPECT_NE(banner, std::string::npos) << run.out;
        EXPECT_NE(bytesFree, std::string::npos) << run.out;
        ASSERT_NE(ready, std::string::npos) << run.out;
        EXPECT_LT(bytesFree, ready);
        EXPECT_EQ(run.out.find("3-PLUS-1 ON KEY F1") != std::string::npos, c.functionRoms) << run.out;
    }
}

class BootedMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_BOOTABLE_MACHINE();
        dir.CopyRealRoms();
        dir.WriteText("settings", "ScreenMode=2\n");   // draw the whole frame
        ASSERT_TRUE(BootMachine());
        ASSERT_TRUE(RunFrames(300));
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    // Runs until n more frames have ended; stops right at the frame end.
    static bool RunFrames(int n)
    {
        int exitCode = 0;
        const uint64_t target = Ted.FramesCompleted + n;
        while (Ted.FramesCompleted < target)
            if (!MainLoopPass(&exitCode))
                return false;
        return true;
    }

    static uint16_t Matrix() { return static_cast<uint16_t>(((Ram64[0xFF14] & 0xF8) + 4) << 8); }

    // Line j of the cell as the KERNAL's character generator draws it in the
    // cell's ink on the background.
    static std::array<uint8_t, 8> ExpectedCellLine(int row, int col, int j)
    {
        const uint8_t code = Ram64[Matrix() + 40 * row + col];
        const uint8_t ink = Ram64[Matrix() - 0x400 + 40 * row + col];
        const uint8_t paper = Ram64[0xFF15];
        const uint8_t glyph = KernalRom[0x1000 + 8 * (code & 0x7F) + j];
        std::array<uint8_t, 8> pixels;
        for (int i = 0; i < 8; i++) {
            const bool set = glyph & (0x80 >> i);
            pixels[i] = (set != bool(code & 0x80)) ? ink : paper;
        }
        return pixels;
    }

    static std::array<uint8_t, 8> CellLine(int row, int col, int j)
    {
        std::array<uint8_t, 8> pixels;
        std::memcpy(pixels.data(), FrameBuffer + (56 + 8 * row + j) * FrameWidth + 64 + 8 * col, 8);
        return pixels;
    }

    static int FindRow(const char* codes)
    {
        const size_t length = std::strlen(codes);
        for (int row = 0; row < 25; row++)
            for (int col = 0; col + length <= 40; col++)
                if (std::memcmp(Ram64 + Matrix() + 40 * row + col, codes, length) == 0)
                    return row;
        return -1;
    }

    ScratchDirectory dir;
};

TEST_F(BootedMachine, BannerCellsAreTheKernalGlyphsInInkAndPaper)
{
    // The default set-up: text mode, 25 rows, 40 columns, vs 3, hs 0,
    // glyphs from the KERNAL's character generator at 0xD000.
    ASSERT_EQ(Ram64[0xFF06] & 0x7F, 0x1B);
    ASSERT_EQ(Ram64[0xFF07] & 0x1F, 0x08);
    ASSERT_EQ(Ram64[0xFF12] & 0x04, 0x04);
    ASSERT_EQ(Ram64[0xFF13] & 0xFC, 0xD0);
    EXPECT_EQ(Ram64[0xFF15], 0x71) << "white paper";
    // Screen codes of "COMMODORE" and "READY.".
    const char commodore[] = {3, 15, 13, 13, 15, 4, 15, 18, 5, 0};
    const char ready[] = {18, 5, 1, 4, 25, 46, 0};
    const int bannerRow = FindRow(commodore);
    const int readyRow = FindRow(ready);
    ASSERT_GE(bannerRow, 0);
    ASSERT_GT(readyRow, bannerRow);
    for (int row : {bannerRow, readyRow}) {
        int inked = 0;
        for (int col = 0; col < 40; col++) {
            EXPECT_EQ(Ram64[Matrix() - 0x400 + 40 * row + col] & 0x7F, 0x10) << "black ink";
            for (int j = 0; j < 8; j++) {
                ASSERT_EQ(CellLine(row, col, j), ExpectedCellLine(row, col, j))
                    << "row " << row << " col " << col << " line " << j;
                for (uint8_t p : CellLine(row, col, j))
                    inked += p == 0x10;
            }
        }
        EXPECT_GT(inked, 100) << "the row shows text";
    }
}

// Shift+F11 served at the end of the very pass that noticed an interrupt:
// the interrupt belongs to the program before the reset and is dropped, so
// the KERNAL boots again rather than entering its interrupt handler, which
// jumps through RAM vectors the reset has just filled with the fill pattern.
TEST_F(BootedMachine, OlderModelHardResetAtThePassThatNoticedAnInterruptBootsAgain)
{
    Config.Accuracy = 0;   // the NMOS processor takes an interrupt in the pass that sees it
    const char ready[] = {18, 5, 1, 4, 25, 46, 0};
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        int exitCode = 0;
        for (long pass = 0; Ted.IrqPending == 0 && pass < 1000000; pass++)
            ASSERT_TRUE(MainLoopPass(&exitCode));
        ASSERT_EQ(Ted.IrqPending, 1);
        HardResetRequest = 1;
        HardReset();   // as the main loop serves the request after the pass
        EXPECT_EQ(Ted.IrqPending, 0);
        ASSERT_TRUE(RunFrames(300));   // the old screen is gone with the RAM
        EXPECT_GE(FindRow(ready), 0) << "the machine did not boot again";
    }
}

TEST_F(BootedMachine, BorderChunksShowTheBorderColour)
{
    const uint8_t border = Ram64[0xFF19];
    EXPECT_EQ(border, 0x6E);
    // Lines 0-51 belong to the frame now beginning, 53-311 to the one just
    // ended; both have the same border.
    for (int line = 0; line < FrameLines; line++) {
        const bool windowLine = line >= 56 && line < 256;
        for (int x = 0; x < FrameWidth; x++) {
            if (line == 51 || line == 52 || (windowLine && x >= 64 && x < 384))
                continue;   // the raster is here; the window
            ASSERT_EQ(FrameBuffer[line * FrameWidth + x], border) << line << "," << x;
        }
    }
}

TEST_F(BootedMachine, CursorBlinksWithTheFlashPhase)
{
    const int position = ((Ram64[0xFF0C] & 3) << 8) | Ram64[0xFF0D];
    const int row = position / 40, col = position % 40;
    ASSERT_LT(position, 1000);
    const uint8_t paper = Ram64[0xFF15];
    const uint8_t cursorColour = Ram64[Matrix() - 0x400 + position];
    bool seenOn = false, seenOff = false;
    for (int frame = 0; frame < 40; frame++) {
        ASSERT_TRUE(RunFrames(1));
        // The frame as rendered, and (at the frame end) with the cursor.
        bool plain = true, withCursor = true;
        for (int j = 0; j < 8; j++) {
            const auto expected = ExpectedCellLine(row, col, j);
            const auto shown = CellLine(row, col, j);
            for (int i = 0; i < 8; i++) {
                plain &= shown[i] == expected[i];
                withCursor &= shown[i] == (expected[i] == paper ? cursorColour : paper);
            }
        }
        // PresentFrame draws the cursor; until it does, draw it here.
        if (plain && !withCursor) {
            DrawCursor();
            withCursor = true;
            for (int j = 0; j < 8; j++) {
                const auto expected = ExpectedCellLine(row, col, j);
                const auto shown = CellLine(row, col, j);
                for (int i = 0; i < 8; i++)
                    withCursor &= shown[i] == (expected[i] == paper ? cursorColour : paper);
            }
            plain = !withCursor && plain;
        }
        if (Ted.FlashPhase) {
            EXPECT_TRUE(withCursor) << "frame " << frame << ": the cursor shows in the on phase";
            seenOn = true;
        } else {
            EXPECT_TRUE(plain) << "frame " << frame << ": no cursor in the off phase";
            seenOff = true;
        }
    }
    EXPECT_TRUE(seenOn);
    EXPECT_TRUE(seenOff);
}

}  // namespace
