// The debugger in the SDL program `ravlin` on a virtual X display: F9
// opens it over the running machine, Escape returns to the machine.  The
// pictures are read back from the X screen and compared cell by cell with
// the KERNAL's own character set.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/desktop_support.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

namespace {

// How many of the pixels of a text drawn at (column, row) of the menu
// window show on the screen as the KERNAL's glyphs in ink on paper.  The
// 320 x 200 picture of ScreenMode 0 fills the screen with its aspect kept.
double TextMatch(const Screenshot& screen, const std::vector<uint8_t>& kernal, int column, int row,
                 const std::string& text, uint8_t ink, uint8_t paper)
{
    size_t same = 0, total = 0;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        int code = c >= 'A' && c <= 'Z' ? c - 0x40 : c;   // letters, digits, space and '-'
        for (int y = 0; y < 8; y++) {
            uint8_t bits = kernal[0x1000 + 8 * code + y];
            for (int x = 0; x < 8; x++) {
                int px = (column + static_cast<int>(i)) * 8 + x, py = row * 8 + y;
                same += screen.PicturePixel(px, py) == PaletteRgb((bits & (0x80 >> x)) ? ink : paper);
                total++;
            }
        }
    }
    return static_cast<double>(same) / total;
}

TEST(XvfbDebuggerTest, F9OpensTheDebuggerAndEscapeReturns)
{
    REQUIRE_DESKTOP_TOOLS();
    REQUIRE_REAL_ROMS();

    ScratchDirectory dir;
    dir.CopyRealRoms();
    const std::vector<uint8_t> kernal = ReadBinaryFile(dir.path + "/kernal.bin");
    ASSERT_GE(kernal.size(), 0x1800u);
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\n");

    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings"), dir.path));
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin));
    std::this_thread::sleep_for(2s);   // the machine boots to BASIC

    const std::string shot = dir.path + "/screen.xwd";
    Screenshot screen;
    auto titleShown = [&] {
        return screen.Take(display, shot) && TextMatch(screen, kernal, 0, 0, "DISASSEMBLER", 0x71, 0x5E) > 0.97 &&
               TextMatch(screen, kernal, 15, 0, "USE F1-F4 TO CHANGE PAGES", 0x61, 0x5E) > 0.97;
    };
    ASSERT_FALSE(titleShown());

    display.Keys("key F9");
    bool open = false;
    for (int i = 0; i < 50 && !open; i++) {
        std::this_thread::sleep_for(100ms);
        open = titleShown();
    }
    ASSERT_TRUE(open) << "F9 did not show the disassembler page";
    EXPECT_GT(TextMatch(screen, kernal, 0, 19, " PC  AC XR YR SP NV-BDIZC", 0x44, 0x00), 0.97);
    EXPECT_GT(TextMatch(screen, kernal, 2, 24, "-JMP", 0x4F, 0x61), 0.97);
    ASSERT_EQ(ravlin.Wait(10ms), -1);

    // Escape held long enough for the page to see it, then released.
    display.Run("xdotool keydown Escape");
    std::this_thread::sleep_for(300ms);
    display.Run("xdotool keyup Escape");
    bool closed = false;
    for (int i = 0; i < 50 && !closed; i++) {
        std::this_thread::sleep_for(100ms);
        closed = screen.Take(display, shot) && TextMatch(screen, kernal, 0, 0, "DISASSEMBLER", 0x71, 0x5E) < 0.5;
    }
    EXPECT_TRUE(closed) << "the debugger page stayed after Escape";
    // The machine runs again: its READY prompt is back on the screen.
    const uint8_t background = 0x71;
    bool ready = false;
    for (int i = 0; i < 30 && !ready; i++) {
        for (int row = 0; row < 25 && !ready; row++)
            for (uint8_t ink : {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0x80}})
                ready = ready || TextMatch(screen, kernal, 0, row, "READY.", ink, background) > 0.97;
        if (!ready) {
            std::this_thread::sleep_for(100ms);
            screen.Take(display, shot);
        }
    }
    EXPECT_TRUE(ready) << "the machine's picture did not come back";

    display.Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s), 0);
}

}  // namespace
