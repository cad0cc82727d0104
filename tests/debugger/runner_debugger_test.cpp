// The debugger driven by a script of the headless runner on the real
// KERNAL: a breakpoint typed in on the disassembler page stops the running
// machine in the interrupt handler, and F8 steps from there.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "debugger_test_support.h"
#include "machine/machine_state.h"
#include "ted/run_headless.h"

namespace {

// The menu window of a frame-buffer BMP written by the runner (456 x 312,
// 8 bits, rows bottom-up).
bool ReadWindowFromBmp(const std::string& path, WindowPicture& picture)
{
    std::vector<uint8_t> bmp = ReadBinaryFile(path);
    if (bmp.size() < 54)
        return false;
    const uint32_t offset = bmp[10] | (bmp[11] << 8) | (bmp[12] << 16) | (uint32_t{bmp[13]} << 24);
    if (bmp.size() < offset + static_cast<size_t>(FrameWidth) * FrameLines)
        return false;
    for (int y = 0; y < 200; y++) {
        const size_t row = offset + static_cast<size_t>(FrameLines - 1 - (56 + y)) * FrameWidth;
        for (int x = 0; x < 320; x++)
            picture.pixels[static_cast<size_t>(y) * 320 + x] = bmp[row + 64 + x];
    }
    return true;
}

std::string Hex(unsigned value, int digits)
{
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

TEST(RunnerDebuggerTest, ScriptedBreakpointAndStepOnTheRealKernal)
{
    REQUIRE_REAL_ROMS();
    ScratchDirectory dir;
    dir.CopyRealRoms();
    // The KERNAL's own character set gives way to the test glyphs, which the
    // pictures are read back with; its code is untouched.
    std::vector<uint8_t> kernal = ReadBinaryFile(dir.path + "/kernal.bin");
    ASSERT_EQ(kernal.size(), RomSize);
    const unsigned handler = kernal[0x3FFE] | (kernal[0x3FFF] << 8);
    for (int k = 0; k < 256; k++)
        for (int row = 0; row < 8; row++)
            kernal[0x1000 + 8 * k + row] = TestGlyphRow(static_cast<uint8_t>(k), row);
    dir.WriteFile("kernal.bin", kernal);
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\n");

    std::string script = "frames 100\npress F9\nframes 4\npress F5\nframes 2\n";
    for (char c : Hex(handler, 4))
        script += std::string("press ") + c + "\nframes 2\n";
    script += "press RETURN\nframes 4\npress F6\nframes 4\npress B\nframes 4\nscreenshot armed.bmp\n"
              "press ESC\nframes 30\nscreenshot stopped.bmp\n"
              "press F8\nframes 4\nscreenshot stepped.bmp\npress ESC\n";
    dir.WriteText("debug.script", script);

    HeadlessRun run = RunHeadless(dir, "--script debug.script");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    WindowPicture armed, stopped, stepped;
    ASSERT_TRUE(ReadWindowFromBmp(dir.path + "/armed.bmp", armed));
    ASSERT_TRUE(ReadWindowFromBmp(dir.path + "/stopped.bmp", stopped));
    ASSERT_TRUE(ReadWindowFromBmp(dir.path + "/stepped.bmp", stepped));
    EXPECT_EQ(ReadCells(armed, 0, 22, 25, 0x75, 0x00), "BREAKPOINT: " + Hex(handler, 4) + " ENABLED ");
    EXPECT_EQ(ReadCells(stopped, 0, 2, 5, 0x71, 0x00), ">" + Hex(handler, 4));
    EXPECT_EQ(ReadCells(stopped, 0, 20, 4, 0x44, 0x00), Hex(handler, 4));
    // One instruction on: the listing starts at the next line of before.
    EXPECT_EQ(ReadCells(stepped, 0, 2, 5, 0x71, 0x00), ">" + ReadCells(stopped, 1, 3, 4, 0x71, 0x00));
    EXPECT_EQ(ReadCells(stepped, 0, 20, 4, 0x44, 0x00), ReadCells(stopped, 1, 3, 4, 0x71, 0x00));
}

}  // namespace
