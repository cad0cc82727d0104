// The SDL program on a virtual X display: keys sent with xdotool reach
// BASIC, a window that loses the keyboard focus neither takes keys nor
// loses its keyboard for good, and BASIC's SOUND reaches the audio device
// (SDL's file-writing driver).  Skipped without Xvfb, xdotool, xlogo, xwd.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sound/audio_analysis.h"
#include "support/headless_runner.h"
#include "support/test_support.h"

namespace {

bool HaveTool(const char* name)
{
    return std::system((std::string("command -v ") + name + " > /dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Starts a shell command as a child process that becomes the command's
// last program (exec); its process id, or 0.
pid_t Launch(const std::string& command)
{
    pid_t pid = fork();
    if (pid == 0) {
        std::string line = command + " > /dev/null 2>&1";
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid > 0 ? pid : 0;
}

// Whether the child ended within the time given.
bool Ended(pid_t pid, int milliseconds)
{
    for (int waited = 0;; waited += 50) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        if (waited >= milliseconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

class DesktopKeyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_REAL_ROMS();
        for (const char* tool : {"Xvfb", "xdotool", "xlogo", "xwd"})
            if (!HaveTool(tool))
                GTEST_SKIP() << tool << " is not installed";
        program = std::string(RAVLIN_BINARY_DIR) + "/ravlin";
        if (access(program.c_str(), X_OK) != 0)
            GTEST_SKIP() << "the SDL program was not built";
        int number = 100 + static_cast<int>(getpid() % 400);
        struct stat info;
        while (stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &info) == 0 ||
               stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &info) == 0)
            number++;
        display = ":" + std::to_string(number);
        server = Launch("exec Xvfb " + display + " -screen 0 1024x768x24 -nolisten tcp");
        for (int i = 0; i < 50 && !Ready(); i++)
            Pause(100);
        if (!Ready())
            GTEST_SKIP() << "Xvfb did not start";
        dir.CopyRealRoms();
        dir.WriteText("settings", "Windowed=1\nSync=2\n");
    }
    void TearDown() override
    {
        for (pid_t pid : {emulator, logo, server}) {
            if (pid > 0 && !Ended(pid, 0)) {
                kill(pid, SIGTERM);
                if (!Ended(pid, 3000)) {
                    kill(pid, SIGKILL);
                    Ended(pid, 3000);
                }
            }
        }
    }

    bool Ready()
    {
        return std::system(("DISPLAY=" + display + " xdotool getdisplaygeometry > /dev/null 2>&1").c_str()) == 0;
    }
    std::string X(const std::string& command) { return Output("DISPLAY=" + display + " " + command); }

    // Holds each key long enough for the machine's keyboard scan.  One
    // xdotool process for all keys keeps the holds short on a busy machine.
    void Type(const std::vector<std::string>& keys)
    {
        std::string command = "xdotool";
        for (const std::string& key : keys)
            command += " keydown " + key + " sleep 0.2 keyup " + key + " sleep 0.15";
        X(command);
    }

    // The most common colour of the emulator's picture, as 0xRRGGBB.
    uint32_t PictureColour()
    {
        std::string file = dir.path + "/screen.xwd";
        X("xwd -silent -id " + window + " -out " + file);
        std::vector<uint8_t> d = ReadBinaryFile(file);
        auto field = [&](int n) {
            size_t at = static_cast<size_t>(n) * 4;
            return at + 4 <= d.size() ? (uint32_t{d[at]} << 24) | (d[at + 1] << 16) | (d[at + 2] << 8) | d[at + 3] : 0u;
        };
        uint32_t header = field(0), width = field(4), height = field(5), bits = field(11), line = field(12);
        size_t start = header + static_cast<size_t>(field(19)) * 12;
        if (bits != 24 && bits != 32)
            return 0xFFFFFFFF;
        std::vector<std::pair<uint32_t, int>> counts;
        for (uint32_t y = height / 4; y < height * 3 / 4; y += 7) {
            for (uint32_t x = width / 4; x < width * 3 / 4; x += 7) {
                size_t at = start + static_cast<size_t>(y) * line + static_cast<size_t>(x) * (bits / 8);
                if (at + 3 > d.size())
                    continue;
                uint32_t colour = (uint32_t{d[at + 2]} << 16) | (d[at + 1] << 8) | d[at];
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
    std::string program, display, window;
    pid_t server = 0, emulator = 0, logo = 0;
};

TEST_F(DesktopKeyboard, KeysReachBasicAndSurviveALossOfFocus)
{
    emulator = Launch("cd " + ShellQuote(dir.path) + " && exec env DISPLAY=" + display +
                      " SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=audio.raw RAVLIN_SETTINGS=settings " + ShellQuote(program));
    window = X("timeout 20 xdotool search --sync --name 'Ravlin - The C16/Plus4 Emulator' | head -1");
    ASSERT_FALSE(window.empty()) << "the window did not appear";
    logo = Launch("exec env DISPLAY=" + display + " xlogo -geometry 80x80+900+10");
    std::string logoWindow = X("timeout 20 xdotool search --sync --class xlogo | head -1");
    ASSERT_FALSE(logoWindow.empty());
    Pause(1500);   // BASIC's READY
    X("xdotool windowfocus --sync " + window);
    Pause(300);
    uint32_t before = PictureColour();

    // COLOR 0,3 turns the background red: the 9 typed while the other
    // window has the focus must not arrive (COLOR 0,93 is an error), and
    // the keys after the focus came back must.  Then half a second of tone,
    // and F12 ends the program.
    Type({"c", "o", "l", "o", "r", "space", "0", "comma"});
    X("xdotool windowfocus --sync " + logoWindow);
    Pause(300);
    Type({"9"});
    X("xdotool windowfocus --sync " + window);
    Pause(300);
    Type({"3", "semicolon", "v", "o", "l", "space", "8", "semicolon", "s", "o", "u", "n", "d", "space", "1", "comma",
          "8", "0", "0", "comma", "2", "5", "Return"});
    Pause(300);
    uint32_t after = PictureColour();
    EXPECT_NE(after, before);
    int red = static_cast<int>(after >> 16), green = (after >> 8) & 0xFF, blue = after & 0xFF;
    EXPECT_GT(red, green + 64) << std::hex << after;
    EXPECT_GT(red, blue + 64) << std::hex << after;
    Pause(1000);
    Type({"F12"});
    EXPECT_TRUE(Ended(emulator, 5000)) << "F12 did not end the program";
    emulator = 0;

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
