// The SDL program on a virtual X display: keys sent with xdotool reach
// BASIC, a window that loses the keyboard focus neither takes keys nor
// loses its keyboard for good, and BASIC's SOUND reaches the audio device
// (SDL's file-writing driver).  Skipped without Xvfb, xdotool, xlogo, xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sound/audio_analysis.h"
#include "support/desktop_support.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

namespace {

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

class DesktopKeyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        if (std::string missing = MissingProgram({"Xvfb", "xdotool", "xlogo", "xwd"}); !missing.empty())
            GTEST_SKIP() << missing << " is not installed";
        if (RavlinProgram().empty())
            GTEST_SKIP() << "the SDL program was not built";
        if (!display.Start())
            GTEST_SKIP() << "Xvfb did not start";
        dir.CopyRealRoms();
        // The older sound model: its three buffers play the tone at once.
        dir.WriteText("settings", "Windowed=1\nSync=2\nAccuracy=0\n");
    }
    void TearDown() override
    {
        // Ended politely where they can; whatever is left is killed.
        for (Child* child : {&emulator, &logo, &display.server})
            child->Stop(3s);
    }

    // Holds each key long enough for the machine's keyboard scan.  One
    // xdotool process for all keys keeps the holds short on a busy machine.
    void Type(const std::vector<std::string>& keys)
    {
        std::string command = "xdotool";
        for (const std::string& key : keys)
            command += " keydown " + key + " sleep 0.2 keyup " + key + " sleep 0.15";
        display.Run(command);
    }

    // The most common colour of the emulator's picture, as 0xRRGGBB.
    uint32_t PictureColour()
    {
        Screenshot shot;
        if (!shot.Take(display, dir.path + "/screen.xwd", "-id " + window))
            return 0xFFFFFFFF;
        std::vector<std::pair<uint32_t, int>> counts;
        for (uint32_t y = shot.height / 4; y < shot.height * 3 / 4; y += 7) {
            for (uint32_t x = shot.width / 4; x < shot.width * 3 / 4; x += 7) {
                uint32_t colour = shot.At(x, y);
                auto it = std::find_if(counts.begin(), counts.end(), [&](auto& c) { return c.first == colour; });
                if (it == counts.end())
                    counts.push_back({colour, 1});
                else
                    it->second++;
            }
        }
        auto best = std::max_element(counts.begin(), counts.end(),
                                     [](auto& a, auto& b) { return a.second < b.second; });
        return best == counts.end() ? 0xFFFFFFFF : best->first;
    }

    ScratchDirectory dir;
    VirtualDisplay display;
    Child emulator, logo;
    std::string window;
};

TEST_F(DesktopKeyboard, KeysReachBasicAndSurviveALossOfFocus)
{
    ASSERT_TRUE(emulator.Start({RavlinProgram()},
                               {"DISPLAY=" + display.name, "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=audio.raw",
                                "RAVLIN_SETTINGS=settings"},
                               dir.path));
    window =
        display.Output(std::string("timeout 20 xdotool search --sync --name '") + RavlinWindowTitle + "' | head -1");
    ASSERT_FALSE(window.empty()) << "the window did not appear";
    ASSERT_TRUE(logo.Start({"xlogo", "-geometry", "80x80+900+10"}, {"DISPLAY=" + display.name}, ""));
    std::string logoWindow = display.Output("timeout 20 xdotool search --sync --class xlogo | head -1");
    ASSERT_FALSE(logoWindow.empty());
    Pause(1500);   // BASIC's READY
    display.Run("xdotool windowfocus --sync " + window);
    Pause(300);
    uint32_t before = PictureColour();

    // COLOR 0,3 turns the background red: the 9 typed while the other
    // window has the focus must not arrive (COLOR 0,93 is an error), and
    // the keys after the focus came back must.  Then half a second of tone,
    // and F12 ends the program.
    Type({"c", "o", "l", "o", "r", "space", "0", "comma"});
    display.Run("xdotool windowfocus --sync " + logoWindow);
    Pause(300);
    Type({"9"});
    display.Run("xdotool windowfocus --sync " + window);
    Pause(300);
    Type({"3", "colon", "v", "o", "l", "space", "8", "colon", "s", "o", "u", "n", "d", "space", "1", "comma",
          "8", "0", "0", "comma", "2", "5", "Return"});
    Pause(300);
    uint32_t after = PictureColour();
    EXPECT_NE(after, before);
    int red = static_cast<int>(after >> 16), green = (after >> 8) & 0xFF, blue = after & 0xFF;
    EXPECT_GT(red, green + 64) << std::hex << after;
    EXPECT_GT(red, blue + 64) << std::hex << after;
    Pause(1000);
    Type({"F12"});
    EXPECT_NE(emulator.Wait(5s), -1) << "F12 did not end the program";

    // The device plays 16-bit mono samples at 48,000 a second.
    std::vector<uint8_t> raw = ReadBinaryFile(dir.path + "/audio.raw");
    std::vector<int16_t> samples(raw.size() / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = static_cast<int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    auto [first, last] = AudibleSpan(samples);
    ASSERT_GT(last, first + 4800) << "no tone was played";
    double expected = 111860.781 / (1024 - 800);
    EXPECT_NEAR(ZeroCrossingFrequency(samples, first + 480, last - 480, 48000), expected, expected * 0.01);
}

}  // namespace
