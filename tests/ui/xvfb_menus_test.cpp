// The SDL program `ravlin` on a virtual X display (Xvfb): F7, F8 and
// Shift+F8 open the menus over the machine's picture, and Escape gives the
// picture back to the running machine; no key pressed there reaches it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "support/desktop_support.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

namespace {

// How many pixels of a menu cell show the colour.
int CellCount(const Screenshot& s, int column, int row, uint8_t index)
{
    uint32_t colour = PaletteRgb(index);
    int count = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            count += s.PicturePixel(column * 8 + x, row * 8 + y) == colour;
    return count;
}
int RowCount(const Screenshot& s, int row, int first, int last, uint8_t index)
{
    int count = 0;
    for (int column = first; column <= last; column++)
        count += CellCount(s, column, row, index);
    return count;
}

// What each menu shows that the machine's own screen does not.
bool OptionsMenuShown(const Screenshot& s)
{
    return CellCount(s, 30, 0, 0x5E) == 64 && CellCount(s, 30, 24, 0x61) == 64;
}
bool LoadMenuShown(const Screenshot& s)
{
    return CellCount(s, 0, 0, 0x33) == 64 && RowCount(s, 22, 1, 7, 0x41) > 20 && RowCount(s, 2, 9, 30, 0x71) > 50;
}
bool SaveMenuShown(const Screenshot& s)
{
    return CellCount(s, 0, 0, 0x33) == 64 && RowCount(s, 5, 3, 36, 0x71) > 50 && RowCount(s, 2, 0, 39, 0x71) == 0;
}
bool DebuggerShown(const Screenshot& s)
{
    return RowCount(s, 0, 0, 39, 0x5E) > 1200 && RowCount(s, 24, 0, 39, 0x61) > 1200 && !OptionsMenuShown(s);
}
bool MachineShown(const Screenshot& s)
{
    return !OptionsMenuShown(s) && !DebuggerShown(s) && CellCount(s, 0, 0, 0x33) < 64 &&
           CellCount(s, 30, 24, 0x61) < 64;
}

class XvfbMenusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DESKTOP_TOOLS();
        REQUIRE_REAL_ROMS();
    }

    // Takes pictures until the condition holds or the time is up.
    bool WaitFor(const std::function<bool(const Screenshot&)>& condition, std::chrono::milliseconds timeout)
    {
        auto until = std::chrono::steady_clock::now() + timeout;
        do {
            if (ravlin.Wait(100ms) != -1)
                return false;
            if (screen.Take(display, dir.path + "/screen.xwd", window.empty() ? "-root" : "-id " + window) &&
                condition(screen))
                return true;
        } while (std::chrono::steady_clock::now() < until);
        return false;
    }

    ScratchDirectory dir;
    VirtualDisplay display;
    Child ravlin;
    Screenshot screen;
    std::string window;   // the window pictures are taken of; empty: the screen
};

TEST_F(XvfbMenusTest, FunctionKeysOpenTheMenusAndEscapeReturns)
{
    dir.CopyRealRoms();
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\n");
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings"), dir.path));
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin));
    // The machine's start-up screen: no menu colours where the menus put them.
    ASSERT_TRUE(WaitFor(MachineShown, 10s));
    std::this_thread::sleep_for(2s);   // let BASIC come up

    display.Keys("key F7");
    EXPECT_TRUE(WaitFor(OptionsMenuShown, 10s)) << "F7 showed no options menu";
    display.Keys("keydown Escape sleep 0.3 keyup Escape");
    EXPECT_TRUE(WaitFor(MachineShown, 10s)) << "Escape did not leave the options menu";

    display.Keys("key F8");
    EXPECT_TRUE(WaitFor(LoadMenuShown, 10s)) << "F8 showed no load menu";
    display.Keys("keydown Escape sleep 0.3 keyup Escape");
    EXPECT_TRUE(WaitFor(MachineShown, 10s)) << "Escape did not leave the load menu";

    display.Keys("keydown shift key F8 keyup shift");
    EXPECT_TRUE(WaitFor(SaveMenuShown, 10s)) << "Shift+F8 showed no save menu";
    display.Keys("keydown Escape sleep 0.3 keyup Escape");
    EXPECT_TRUE(WaitFor(MachineShown, 10s)) << "Escape did not leave the save menu";

    // The machine runs on: F12 still ends it normally.
    display.Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s), 0);
}

// Typing, a menu or the debugger opened and closed with a tap of Escape,
// typing again: the line holds exactly what was typed.  Had the Escape
// reached the machine, ESC and the next letter would have been an escape
// sequence (ESC Q erases the rest of the line, ESC A turns on insert).
TEST_F(XvfbMenusTest, TypingAroundTheMenusAndTheDebuggerArrivesExactly)
{
    dir.CopyRealRoms();
    dir.WriteText("settings", "Windowed=1\nSoundEmulation=0\n");
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings"), dir.path));
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin));
    window = display.Output(std::string("xdotool search --name '") + RavlinWindowTitle + "' | tail -1");
    std::string text;
    for (int i = 0; i < 30 && text.find("READY.") == std::string::npos; i++) {
        std::this_thread::sleep_for(300ms);
        text = ScreenTextOf(display, dir.path);
    }
    ASSERT_NE(text.find("READY."), std::string::npos) << text;

    display.Keys("type 123456");
    display.Keys("key Left Left Left Left");
    struct Visit {
        const char* keys;
        bool (*shown)(const Screenshot&);
        const char* typedAfter;
    };
    const Visit visits[] = {{"key F8", LoadMenuShown, "q"},
                            {"key F7", OptionsMenuShown, "a"},
                            {"keydown shift key F8 keyup shift", SaveMenuShown, "b"},
                            {"key F9", DebuggerShown, "cdef"}};
    for (const Visit& v : visits) {
        SCOPED_TRACE(v.keys);
        std::this_thread::sleep_for(300ms);   // the typing before has arrived
        // Generous waits: under the sanitizers on a busy machine a frame
        // can take a good part of a second.
        display.Keys(v.keys);
        ASSERT_TRUE(WaitFor(v.shown, 30s));
        display.Keys("key Escape");
        ASSERT_TRUE(WaitFor(MachineShown, 30s));
        display.Keys(std::string("type ") + v.typedAfter);
    }
    std::this_thread::sleep_for(500ms);
    text = ScreenTextOf(display, dir.path);
    EXPECT_NE(text.find("READY.\n12QABCDEF\n"), std::string::npos) << text;
    display.Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s), 0);
}

}  // namespace
