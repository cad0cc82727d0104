// The debugger in the SDL program `ravlin` on a virtual X display: F9
// opens it over the running machine, Escape returns to the machine.  The
// pictures are read back from the X screen and compared cell by cell with
// the KERNAL's own character set.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "ted/palette.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* Title = "Ravlin - The C16/Plus4 Emulator";

bool HaveProgram(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string RavlinProgram()
{
    std::string path = std::string(RAVLIN_BINARY_DIR) + "/ravlin";
    return access(path.c_str(), X_OK) == 0 ? path : "";
}

// A child process, killed if still running at the end.
struct Process {
    pid_t pid = -1;

    bool Start(const std::vector<std::string>& args, const std::string& directory)
    {
        pid = fork();
        if (pid < 0)
            return false;
        if (pid == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            if (!directory.empty() && chdir(directory.c_str()) != 0)
                _exit(126);
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return true;
    }

    // The exit status after at most `timeout`, or -1 while still running.
    int Wait(std::chrono::milliseconds timeout)
    {
        auto until = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > until)
                return -1;
            std::this_thread::sleep_for(20ms);
        }
    }

    ~Process()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

// Xvfb on a free display number, told to us through -displayfd.
struct VirtualDisplay {
    Process server;
    std::string name;

    bool Start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        server.pid = fork();
        if (server.pid == 0) {
            close(fds[0]);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
            char c[16];
            ssize_t n = read(fds[0], c, sizeof c);
            if (n <= 0)
                break;
            number.append(c, static_cast<size_t>(n));
        }
        close(fds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == '\r'))
            number.pop_back();
        name = ":" + number;
        return !number.empty();
    }

    int Run(const std::string& command) const
    {
        return std::system(("DISPLAY=" + name + " " + command + " >/dev/null 2>&1").c_str());
    }
};

// The X screen as 24-bit RGB, read from an xwd dump (32 bits per pixel).
struct Screen {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(uint32_t x, uint32_t y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

uint32_t Big32(const std::vector<uint8_t>& d, size_t at)
{
    return (uint32_t{d[at]} << 24) | (uint32_t{d[at + 1]} << 16) | (uint32_t{d[at + 2]} << 8) | d[at + 3];
}

int Shift(uint32_t mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        s++;
    }
    return s;
}

bool Capture(const VirtualDisplay& display, const std::string& file, Screen& screen)
{
    if (display.Run("xwd -root -silent -out '" + file + "'") != 0)
        return false;
    std::vector<uint8_t> d = ReadBinaryFile(file);
    if (d.size() < 100)
        return false;
    const uint32_t header = Big32(d, 0), width = Big32(d, 16), height = Big32(d, 20);
    const uint32_t byteOrder = Big32(d, 28), bits = Big32(d, 44), line = Big32(d, 48);
    const uint32_t red = Big32(d, 56), green = Big32(d, 60), blue = Big32(d, 64), colours = Big32(d, 76);
    const size_t start = header + static_cast<size_t>(colours) * 12;
    if (bits != 32 || d.size() < start + static_cast<size_t>(line) * height)
        return false;
    screen.width = width;
    screen.height = height;
    screen.rgb.resize(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t* p = &d[start + static_cast<size_t>(y) * line + x * 4];
            uint32_t v = byteOrder == 0 ? (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]
                                        : Big32(d, start + static_cast<size_t>(y) * line + x * 4);
            screen.rgb[static_cast<size_t>(y) * width + x] = (((v & red) >> Shift(red)) << 16) |
                                                            (((v & green) >> Shift(green)) << 8) |
                                                            ((v & blue) >> Shift(blue));
        }
    }
    return true;
}

uint32_t Rgb(uint8_t index)
{
    const uint8_t* c = MachinePalette[index];
    return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
}

// How many of the pixels of a text drawn at (column, row) of the menu
// window show on the screen as the KERNAL's glyphs in ink on paper.  The
// 320 x 200 picture of ScreenMode 0 fills the screen with its aspect kept.
double TextMatch(const Screen& screen, const std::vector<uint8_t>& kernal, int column, int row, const std::string& text,
                 uint8_t ink, uint8_t paper)
{
    const double scale = std::min(screen.width / 320.0, screen.height / 200.0);
    const double left = (screen.width - 320 * scale) / 2, top = (screen.height - 200 * scale) / 2;
    size_t same = 0, total = 0;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        int code = c >= 'A' && c <= 'Z' ? c - 0x40 : c;   // letters, digits, space and '-'
        for (int y = 0; y < 8; y++) {
            uint8_t bits = kernal[0x1000 + 8 * code + y];
            for (int x = 0; x < 8; x++) {
                int px = (column + static_cast<int>(i)) * 8 + x, py = row * 8 + y;
                uint32_t sx = static_cast<uint32_t>(left + (px + 0.5) * scale);
                uint32_t sy = static_cast<uint32_t>(top + (py + 0.5) * scale);
                same += screen.At(sx, sy) == Rgb((bits & (0x80 >> x)) ? ink : paper);
                total++;
            }
        }
    }
    return static_cast<double>(same) / total;
}

TEST(XvfbDebuggerTest, F9OpensTheDebuggerAndEscapeReturns)
{
    if (RavlinProgram().empty())
        GTEST_SKIP() << "the SDL program ravlin was not built";
    for (const char* tool : {"Xvfb", "xdotool", "xwd"})
        if (!HaveProgram(tool))
            GTEST_SKIP() << tool << " is not installed (apt-get install xvfb xdotool x11-apps)";
    REQUIRE_REAL_ROMS();

    ScratchDirectory dir;
    dir.CopyRealRoms();
    const std::vector<uint8_t> kernal = ReadBinaryFile(dir.path + "/kernal.bin");
    ASSERT_GE(kernal.size(), 0x1800u);
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\n");

    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    Process ravlin;
    // ASAN_OPTIONS: in a sanitizer build, the desktop libraries keep their
    // allocations to the end; they are not this program's leaks.
    ASSERT_TRUE(ravlin.Start({"env", "-u", "WAYLAND_DISPLAY", "DISPLAY=" + display.name,
                              "RAVLIN_SETTINGS=" + dir.path + "/settings", "SDL_AUDIODRIVER=dummy",
                              "ASAN_OPTIONS=detect_leaks=0", RavlinProgram()},
                             dir.path));

    bool window = false;
    for (int i = 0; i < 100 && !window; i++) {
        ASSERT_EQ(ravlin.Wait(100ms), -1) << "ravlin ended early";
        window = display.Run(std::string("xdotool search --name '") + Title + "'") == 0;
    }
    ASSERT_TRUE(window) << "no window titled " << Title;
    std::this_thread::sleep_for(2s);   // the machine boots to BASIC

    const std::string shot = dir.path + "/screen.xwd";
    Screen screen;
    auto titleShown = [&] {
        return Capture(display, shot, screen) && TextMatch(screen, kernal, 0, 0, "DISASSEMBLER", 0x71, 0x5E) > 0.97 &&
               TextMatch(screen, kernal, 15, 0, "USE F1-F4 TO CHANGE PAGES", 0x61, 0x5E) > 0.97;
    };
    ASSERT_FALSE(titleShown());

    display.Run("xdotool mousemove 512 384 key F9");
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
        closed = Capture(display, shot, screen) && TextMatch(screen, kernal, 0, 0, "DISASSEMBLER", 0x71, 0x5E) < 0.5;
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
            Capture(display, shot, screen);
        }
    }
    EXPECT_TRUE(ready) << "the machine's picture did not come back";

    display.Run("xdotool mousemove 512 384 key F12");
    EXPECT_EQ(ravlin.Wait(10s), 0);
}

}  // namespace
