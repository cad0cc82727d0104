// The SDL program `ravlin` on a virtual X display (Xvfb): it opens its
// window, shows the machine's picture in the palette's colours, and F12
// ends it with exit code 0.  Also the fatal-error box without a display.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "support/desktop_support.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

namespace {

// The 320 x 200 picture of ScreenMode 0 that the headless machine shows after
// `frames` frames from power-on; empty while the machine presents nothing.
std::vector<uint8_t> HeadlessPicture(const ScratchDirectory& dir, uint64_t frames)
{
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=0\n");
    std::vector<uint8_t> picture;
    if (!BootMachine())
        return picture;
    int exitCode = 0;
    for (uint64_t pass = 0; HeadlessPresentedCount() < frames && pass < frames * 60000; pass++) {
        if (!MainLoopPass(&exitCode))
            break;
    }
    if (HeadlessPresentedCount() >= frames) {
        const HeadlessFrame& f = HeadlessLastPresented();
        for (uint32_t y = 0; y < 200; y++)
            for (uint32_t x = 0; x < 320; x++)
                picture.push_back(f.At(x, y));
    }
    ResetMachineToPowerOn();
    return picture;
}

struct PictureMatch {
    size_t samples = 0, matching = 0;
    size_t minority = 0, minorityMatching = 0;   // pixels not of the most common colour
};

// Compares the screen with a 320 x 200 picture scaled to fit with its aspect
// kept, sampling the centre of every source pixel.
PictureMatch Compare(const Screenshot& shot, const std::vector<uint8_t>& picture)
{
    PictureMatch m;
    size_t counts[256] = {};
    for (uint8_t i : picture)
        counts[i & 0x7F]++;
    uint8_t common = 0;
    for (int i = 0; i < 128; i++)
        if (counts[i] > counts[common])
            common = static_cast<uint8_t>(i);
    for (uint32_t y = 0; y < 200; y++) {
        for (uint32_t x = 0; x < 320; x++) {
            uint8_t index = picture[y * 320 + x];
            bool same = shot.PicturePixel(static_cast<int>(x), static_cast<int>(y)) == PaletteRgb(index);
            m.samples++;
            m.matching += same;
            if ((index & 0x7F) != common && PaletteRgb(index) != PaletteRgb(common)) {
                m.minority++;
                m.minorityMatching += same;
            }
        }
    }
    return m;
}

class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DESKTOP_TOOLS();
        REQUIRE_REAL_ROMS();
    }
};

// The renderer: SDL's choice as ravlin refines it (on Xvfb, whose OpenGL
// is rasterized by the processor, SDL's software renderer), and OpenGL as a
// desktop with a GPU draws (named by the user here, so kept even on Xvfb).
class XvfbPictureTest : public XvfbTest, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(Renderers, XvfbPictureTest, ::testing::Values("", "opengl"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param ? info.param : "chosen");
                         });

TEST_P(XvfbPictureTest, ShowsThePictureInPaletteColoursAndEndsOnF12)
{
    ScratchDirectory dir;
    dir.CopyRealRoms();
    // What the machine shows after three seconds, from the headless build.
    std::vector<uint8_t> expected = HeadlessPicture(dir, 150);

    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\nLog=1\n");
    std::vector<std::string> environment = RavlinEnvironment(display, dir.path + "/settings");
    environment.push_back(*GetParam() ? std::string("SDL_RENDER_DRIVER=") + GetParam() : "SDL_RENDER_DRIVER");
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, environment, dir.path, true));
    std::string output;
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin, &output));

    std::set<uint32_t> palette;
    for (int i = 0; i < 128; i++)
        palette.insert(PaletteRgb(static_cast<uint8_t>(i)));

    // Take pictures until the machine's start-up screen is there (or, while
    // the machine shows no picture of its own yet, for a second).
    Screenshot shot;
    PictureMatch match;
    bool pictureMatches = false;
    auto until = std::chrono::steady_clock::now() + (expected.empty() ? 1500ms : 20s);
    do {
        ASSERT_EQ(ravlin.Wait(300ms, &output), -1) << "ravlin ended early: " << output;
        ASSERT_TRUE(shot.Take(display, dir.path + "/screen.xwd"));
        if (!expected.empty()) {
            match = Compare(shot, expected);
            pictureMatches = match.matching * 100 >= match.samples * 97 &&
                             match.minorityMatching * 100 >= match.minority * 90;
        }
    } while (!pictureMatches && std::chrono::steady_clock::now() < until);

    // The window covers the screen, and every pixel on it is a palette colour
    // (black around the picture is palette index 0).
    ASSERT_EQ(shot.width, 1024u);
    ASSERT_EQ(shot.height, 768u);
    size_t foreign = 0;
    for (uint32_t y = 0; y < shot.height; y++)
        for (uint32_t x = 0; x < shot.width; x++)
            foreign += palette.count(shot.At(x, y)) == 0;
    EXPECT_EQ(foreign, 0u) << "pixels in colours outside the palette";

    if (expected.empty()) {
        std::printf("[ NOTE     ] the headless machine presents no picture yet; checked the window only\n");
    } else {
        EXPECT_TRUE(pictureMatches) << match.matching << " of " << match.samples << " pixels as expected, "
                                    << match.minorityMatching << " of " << match.minority
                                    << " pixels of the text and other colours";
        EXPECT_GT(match.minority, 100u) << "the start-up screen shows text";
        std::printf("[ NOTE     ] the screen shows the machine's picture: %zu of %zu pixels, %zu of %zu text pixels\n",
                    match.matching, match.samples, match.minorityMatching, match.minority);
    }

    // F12 closes the window and ends the program with exit code 0.
    display.Keys("key F12");
    int status = ravlin.Wait(10s, &output);
    EXPECT_EQ(status, 0) << output;
    std::string log = dir.ReadText("Ravlin.log");
    EXPECT_NE(log.find("Info: Main loop reached."), std::string::npos) << log;
}

TEST_F(XvfbTest, WindowedModeOpensAResizableWindowOfWholeMultiples)
{
    ScratchDirectory dir;
    dir.CopyRealRoms();
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\nWindowed=1\n");
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings"), dir.path, true));
    std::string output, geometry = dir.path + "/geometry";
    bool sized = false;
    for (int i = 0; i < 100 && !sized; i++) {
        ASSERT_EQ(ravlin.Wait(100ms, &output), -1) << "ravlin ended early: " << output;
        display.Run(std::string("sh -c \"xdotool search --name '") + RavlinWindowTitle + "' getwindowgeometry > '" +
                    geometry + "'\"");
        // 640 x 400: twice the mode, the largest multiple within 80% of the
        // 1024 x 768 screen.
        sized = dir.ReadText("geometry").find("Geometry: 640x400") != std::string::npos;
    }
    EXPECT_TRUE(sized) << dir.ReadText("geometry");
    display.Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s, &output), 0) << output;
}

// Alt+Enter, once and twice, from a window and from full screen.  Each time
// the window is what it should be (the screen, or twice the picture) and
// the machine's picture fills it with its aspect kept, neither larger (cut
// at the right and bottom) nor smaller.
TEST_F(XvfbTest, AltEnterKeepsThePictureFittedInBothDirections)
{
    ScratchDirectory dir;
    dir.CopyRealRoms();
    std::vector<uint8_t> expected = HeadlessPicture(dir, 150);
    if (expected.empty())
        GTEST_SKIP() << "the headless machine presents no picture to compare with";
    for (bool windowed : {true, false}) {
        SCOPED_TRACE(windowed ? "Windowed=1" : "Windowed=0");
        VirtualDisplay display;
        ASSERT_TRUE(display.Start()) << "Xvfb did not start";
        dir.WriteText("settings", std::string("ScreenMode=0\nSoundEmulation=0\nSync=1\nWindowed=") +
                                      (windowed ? "1" : "0") + "\n");
        Child ravlin;
        ASSERT_TRUE(
            ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings"), dir.path, true));
        std::string output;
        ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin, &output));
        for (int presses = 0; presses <= 2; presses++) {
            SCOPED_TRACE(presses);
            if (presses > 0)
                display.Keys("key alt+Return");
            const bool full = (presses % 2 == 1) == windowed;
            Screenshot shot;
            PictureMatch match;
            bool fits = false;
            auto until = std::chrono::steady_clock::now() + 20s;
            do {
                ASSERT_EQ(ravlin.Wait(300ms, &output), -1) << "ravlin ended early: " << output;
                // Looked up each time: the renderer's set-up may make the window anew.
                std::string window =
                    display.Output(std::string("xdotool search --name '") + RavlinWindowTitle + "' | tail -1");
                if (window.empty() || !shot.Take(display, dir.path + "/window.xwd", "-id " + window))
                    continue;   // not shown yet
                match = Compare(shot, expected);
                fits = shot.width == (full ? 1024u : 640u) && shot.height == (full ? 768u : 400u) &&
                       match.matching * 100 >= match.samples * 97 &&
                       match.minorityMatching * 100 >= match.minority * 90;
            } while (!fits && std::chrono::steady_clock::now() < until);
            EXPECT_TRUE(fits) << "a " << shot.width << " x " << shot.height << " window: " << match.matching
                              << " of " << match.samples << " pixels and " << match.minorityMatching << " of "
                              << match.minority << " text pixels where the fitted picture has them";
        }
        display.Keys("key F12");
        EXPECT_EQ(ravlin.Wait(10s, &output), 0) << output;
    }
}

// As a person meets it: default settings (no settings file), a program on
// the command line runs once BASIC is up, a key held for 0.12 s types one
// character, a line typed with the PC's shifted signs arrives as typed, and
// ten instant taps all arrive in order.
TEST_F(XvfbTest, DefaultSettingsRunTheProgramAndTypeAsTyped)
{
    ScratchDirectory dir;
    dir.CopyRealRoms();
    // 10 PRINT "HELLO" at 0x1001.
    dir.WriteFile("hello.prg", {0x01, 0x10, 0x0F, 0x10, 0x0A, 0x00, 0x99, 0x20, 0x22, 'H', 'E', 'L', 'L', 'O', 0x22,
                                0x00, 0x00, 0x00});
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram(), "hello.prg"}, RavlinEnvironment(display, dir.path + "/none"),
                             dir.path, true));
    std::string output;
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin, &output));
    std::string screen;
    for (int i = 0; i < 20 && screen.find("RUN\nHELLO\n\nREADY.\n") == std::string::npos; i++) {
        ASSERT_EQ(ravlin.Wait(300ms, &output), -1) << output;
        screen = ScreenTextOf(display, dir.path);
    }
    ASSERT_NE(screen.find("RUN\nHELLO\n\nREADY.\n"), std::string::npos) << screen;

    display.Keys("keydown p sleep 0.12 keyup p");
    display.Keys("type 'rint 6*7:print \"ok\"'");
    display.Keys("key Return");
    display.Keys("key --delay 0 a b b a c d d c e f");
    // Each press takes three frames: the whole burst a couple of seconds.
    const std::string typed = "READY.\nPRINT 6*7:PRINT \"OK\"\n 42\nOK\n\nREADY.\nABBACDDCEF\n";
    for (int i = 0; i < 20 && screen.find(typed) == std::string::npos; i++) {
        std::this_thread::sleep_for(500ms);
        screen = ScreenTextOf(display, dir.path);
    }
    EXPECT_NE(screen.find(typed), std::string::npos) << screen;
    display.Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s, &output), 0) << output;
}

// The README's first command on a fresh machine: no ROM images anywhere,
// no settings.  The window opens on the open ROM's banner and READY., its
// title and standard error say why, and a command typed there answers.
TEST_F(XvfbTest, AFreshMachineOpensTheWindowOnTheOpenRom)
{
    ScratchDirectory dir;
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/none"), dir.path, true));
    std::string output;
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin, &output));
    // The window opens before the start-up has finished: the title follows.
    for (int i = 0; i < 30 && dir.ReadText("title").find("open ROM") == std::string::npos; i++) {
        display.Run(std::string("sh -c \"xdotool search --name '") + RavlinWindowTitle + "' getwindowname > '" +
                    dir.path + "/title'\"");
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_NE(dir.ReadText("title").find("No Commodore ROM images found: running Ravlin's open ROM"),
              std::string::npos)
        << dir.ReadText("title");
    std::string screen;
    for (int i = 0; i < 20 && screen.find("READY.\n") == std::string::npos; i++) {
        ASSERT_EQ(ravlin.Wait(300ms, &output), -1) << output;
        screen = ScreenTextOf(display, dir.path, true);
    }
    display.Keys("type 'sys 12'");
    display.Keys("key Return");
    for (int i = 0; i < 20 && screen.find("SYS 12\nBREAK\nREADY.\n") == std::string::npos; i++) {
        ASSERT_EQ(ravlin.Wait(300ms, &output), -1) << output;
        screen = ScreenTextOf(display, dir.path, true);
    }
    EXPECT_NE(screen.find("RAVLIN OPEN ROM"), std::string::npos) << screen;
    EXPECT_NE(screen.find("SYS 12\nBREAK\nREADY.\n"), std::string::npos) << screen;
    display.Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s, &output), 0) << output;
    EXPECT_NE(output.find("No Commodore ROM images found: running Ravlin's open ROM"), std::string::npos) << output;
}

// When the X server goes away under it (the desktop session ends), the
// program ends too rather than waiting on the lost connection for ever.
TEST_F(XvfbTest, EndsWhenTheDisplayGoesAway)
{
    ScratchDirectory dir;
    dir.CopyRealRoms();
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    dir.WriteText("settings", "ScreenMode=2\nSoundEmulation=0\nSync=2\nWindowed=1\n");
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings"), dir.path, true));
    std::string output;
    ASSERT_NO_FATAL_FAILURE(AwaitRavlinWindow(display, ravlin, &output));
    ASSERT_EQ(ravlin.Wait(500ms, &output), -1) << output;
    display.server.Stop(2s);
    EXPECT_NE(ravlin.Wait(10s, &output), -1) << "still running without its display: " << output;
}

TEST_F(XvfbTest, AFatalErrorWaitsInAMessageBoxUntilItIsAnswered)
{
    ScratchDirectory dir;
    dir.WriteFile("basic.bin", {});   // an image that can't be read: a start-up failure
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    Child ravlin;
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, RavlinEnvironment(display, dir.path + "/settings", false), dir.path,
                             true));
    // The box is the only window on the display: find where it is.
    std::string output, geometry = dir.path + "/geometry";
    int x = -1, y = -1, width = 0, height = 0;
    for (int i = 0; i < 100 && width == 0; i++) {
        ASSERT_EQ(ravlin.Wait(100ms, &output), -1) << "ended without waiting for the box: " << output;
        display.Run("sh -c \"xdotool search --onlyvisible --classname '.*' getwindowgeometry %@ > '" + geometry + "'\"");
        std::string text = dir.ReadText("geometry");
        // One Position and one Geometry line per window; the box is the
        // window smaller than the screen.
        for (size_t at = text.find("Position: "); at != std::string::npos; at = text.find("Position: ", at + 1)) {
            size_t size = text.find("Geometry: ", at);
            int px, py, w, h;
            if (size != std::string::npos && std::sscanf(text.c_str() + at, "Position: %d,%d", &px, &py) == 2 &&
                std::sscanf(text.c_str() + size, "Geometry: %dx%d", &w, &h) == 2 && w < 1024 && w > 0) {
                x = px, y = py, width = w, height = h;
            }
        }
    }
    ASSERT_GT(width, 0) << "no message box appeared";
    // Still waiting for an answer; Return answers OK and the program ends.
    EXPECT_EQ(ravlin.Wait(500ms, &output), -1);
    display.Run("xdotool mousemove " + std::to_string(x + width / 2) + " " + std::to_string(y + height / 2) +
                " key Return");
    EXPECT_EQ(ravlin.Wait(10s, &output), 1) << output;
    EXPECT_EQ(output.find("Ravlin Error"), std::string::npos) << "shown in the box, not on standard error";
}

TEST(NoDisplayTest, AFatalErrorGoesToStandardErrorWithoutADisplay)
{
    if (RavlinProgram().empty())
        GTEST_SKIP() << "the SDL program ravlin was not built";
    ScratchDirectory dir;
    dir.WriteFile("basic.bin", {});   // an image that can't be read: a start-up failure
    Child ravlin;
    const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER",
                                                "RAVLIN_SETTINGS=" + dir.path + "/settings"};
    ASSERT_TRUE(ravlin.Start({RavlinProgram()}, noDisplay, dir.path, true));
    std::string output;
    // A failed start is a failure (exit code 1), with the message on
    // standard error.
    EXPECT_EQ(ravlin.Wait(10s, &output), 1);
    EXPECT_NE(output.find(std::string(RavlinWindowTitle) + ": Ravlin Error: Error while loading BASIC.BIN"),
              std::string::npos)
        << output;

    // A machine that starts well has no window to show it in: it says so
    // and ends, unless SDL_VIDEODRIVER asks for SDL's invisible driver.
    ScratchDirectory fresh;
    std::vector<std::string> unseen = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER=dummy",
                                       "RAVLIN_SETTINGS=" + fresh.path + "/settings"};
    Child windowless, offscreen;
    ASSERT_TRUE(windowless.Start({RavlinProgram()}, unseen, fresh.path, true));
    output.clear();
    EXPECT_EQ(windowless.Wait(10s, &output), 1);
    EXPECT_NE(output.find("ravlin: no display: no X or Wayland display could be opened"), std::string::npos) << output;
    unseen[2] = "SDL_VIDEODRIVER=offscreen";
    ASSERT_TRUE(offscreen.Start({RavlinProgram()}, unseen, fresh.path));
    EXPECT_EQ(offscreen.Wait(1500ms), -1) << "asked for, the invisible driver runs the machine";

    // The command line: --help, and an unknown option with the usage.
    Child help, wrong;
    ASSERT_TRUE(help.Start({RavlinProgram(), "--help"}, noDisplay, dir.path, true));
    output.clear();
    EXPECT_EQ(help.Wait(10s, &output), 0);
    EXPECT_NE(output.find("usage: ravlin [FILE]"), std::string::npos) << output;
    ASSERT_TRUE(wrong.Start({RavlinProgram(), "--fast", "x.prg"}, noDisplay, dir.path, true));
    output.clear();
    EXPECT_EQ(wrong.Wait(10s, &output), 2);
    EXPECT_NE(output.find("usage: ravlin [FILE]"), std::string::npos) << output;
}

}  // namespace
