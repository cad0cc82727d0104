// The SDL program `ravlin` on a virtual X display (Xvfb): F7, F8 and
// Shift+F8 open the menus over the machine's picture, and Escape gives the
// picture back to the running machine.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// A child process; killed when the test ends.
struct Child {
    pid_t pid = -1;

    void Start(const std::vector<std::string>& args, const std::vector<std::string>& environment,
               const std::string& directory)
    {
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            if (chdir(directory.c_str()) != 0)
                _exit(126);
            for (const std::string& setting : environment) {
                size_t eq = setting.find('=');
                if (eq == std::string::npos)
                    unsetenv(setting.c_str());
                else
                    setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
            }
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }

    // The exit status once ended within the time, else -1.
    int Wait(std::chrono::milliseconds timeout)
    {
        auto until = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        for (;;) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > until)
                return -1;
            std::this_thread::sleep_for(20ms);
        }
    }

    ~Child()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

struct VirtualDisplay {
    Child server;
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
        name = number.empty() ? "" : ":" + number;
        return !name.empty();
    }

    int Run(const std::string& command) const
    {
        return std::system(("DISPLAY=" + name + " " + command + " >/dev/null 2>&1").c_str());
    }
};

uint32_t Big32(const std::vector<uint8_t>& d, size_t at)
{
    return (uint32_t{d[at]} << 24) | (uint32_t{d[at + 1]} << 16) | (uint32_t{d[at + 2]} << 8) | d[at + 3];
}

int MaskShift(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    return shift;
}

// The root window as 0xRRGGBB values.
struct Screen {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> rgb;

    bool Take(const VirtualDisplay& display, const std::string& file)
    {
        if (display.Run("xwd -root -silent -out '" + file + "'") != 0)
            return false;
        std::vector<uint8_t> d = ReadBinaryFile(file);
        if (d.size() < 100)
            return false;
        uint32_t headerSize = Big32(d, 0), byteOrder = Big32(d, 28);
        uint32_t bitsPerPixel = Big32(d, 44), bytesPerLine = Big32(d, 48);
        uint32_t red = Big32(d, 56), green = Big32(d, 60), blue = Big32(d, 64);
        size_t pixels = headerSize + static_cast<size_t>(Big32(d, 76)) * 12;
        width = Big32(d, 16);
        height = Big32(d, 20);
        if (bitsPerPixel != 32 || d.size() < pixels + static_cast<size_t>(bytesPerLine) * height)
            return false;
        rgb.assign(static_cast<size_t>(width) * height, 0);
        for (uint32_t y = 0; y < height; y++)
            for (uint32_t x = 0; x < width; x++) {
                const uint8_t* p = &d[pixels + static_cast<size_t>(y) * bytesPerLine + x * 4];
                uint32_t v = byteOrder == 0
                                 ? (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]
                                 : (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
                rgb[static_cast<size_t>(y) * width + x] = (((v & red) >> MaskShift(red)) << 16) |
                                                          (((v & green) >> MaskShift(green)) << 8) |
                                                          ((v & blue) >> MaskShift(blue));
            }
        return true;
    }

    // Pixel (x, y) of the 320 x 200 picture, scaled to fit the screen.
    uint32_t Picture(int x, int y) const
    {
        double scale = std::min(width / 320.0, height / 200.0);
        double left = (width - 320 * scale) / 2, top = (height - 200 * scale) / 2;
        auto sx = static_cast<uint32_t>(left + (x + 0.5) * scale);
        auto sy = static_cast<uint32_t>(top + (y + 0.5) * scale);
        return rgb[static_cast<size_t>(sy) * width + sx];
    }

    // How many pixels of a menu cell show the colour.
    int CellCount(int column, int row, uint8_t index) const
    {
        const uint8_t* c = MachinePalette[index];
        uint32_t colour = (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
        int count = 0;
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                count += Picture(column * 8 + x, row * 8 + y) == colour;
        return count;
    }
    int RowCount(int row, int first, int last, uint8_t index) const
    {
        int count = 0;
        for (int column = first; column <= last; column++)
            count += CellCount(column, row, index);
        return count;
    }
};

// What each menu shows that the machine's own screen does not.
bool OptionsMenuShown(const Screen& s)
{
    return s.CellCount(30, 0, 0x5E) == 64 && s.CellCount(30, 24, 0x61) == 64;
}
bool LoadMenuShown(const Screen& s)
{
    return s.CellCount(0, 0, 0x33) == 64 && s.RowCount(22, 1, 7, 0x41) > 20 && s.RowCount(2, 9, 30, 0x71) > 50;
}
bool SaveMenuShown(const Screen& s)
{
    return s.CellCount(0, 0, 0x33) == 64 && s.RowCount(5, 3, 36, 0x71) > 50 && s.RowCount(2, 0, 39, 0x71) == 0;
}
bool MachineShown(const Screen& s)
{
    return !OptionsMenuShown(s) && s.CellCount(0, 0, 0x33) < 64 && s.CellCount(30, 24, 0x61) < 64;
}

class XvfbMenusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (RavlinProgram().empty())
            GTEST_SKIP() << "the SDL program ravlin was not built";
        for (const char* tool : {"Xvfb", "xdotool", "xwd"})
            if (!HaveProgram(tool))
                GTEST_SKIP() << tool << " is not installed (apt-get install xvfb xdotool x11-apps)";
        REQUIRE_REAL_ROMS();
    }

    // Takes pictures until the condition holds or the time is up.
    bool WaitFor(const std::function<bool(const Screen&)>& condition, std::chrono::milliseconds timeout)
    {
        auto until = std::chrono::steady_clock::now() + timeout;
        do {
            if (ravlin.Wait(100ms) != -1)
                return false;
            if (screen.Take(display, dir.path + "/screen.xwd") && condition(screen))
                return true;
        } while (std::chrono::steady_clock::now() < until);
        return false;
    }
    void Keys(const std::string& xdotoolArguments)
    {
        display.Run("xdotool mousemove 512 384 " + xdotoolArguments);
    }

    ScratchDirectory dir;
    VirtualDisplay display;
    Child ravlin;
    Screen screen;
};

TEST_F(XvfbMenusTest, FunctionKeysOpenTheMenusAndEscapeReturns)
{
    dir.CopyRealRoms();
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\n");
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    ravlin.Start({RavlinProgram()},
                 {"DISPLAY=" + display.name, "RAVLIN_SETTINGS=" + dir.path + "/settings", "SDL_AUDIODRIVER=dummy",
                  "WAYLAND_DISPLAY", "ASAN_OPTIONS=detect_leaks=0"},
                 dir.path);
    bool window = false;
    for (int i = 0; i < 100 && !window; i++) {
        ASSERT_EQ(ravlin.Wait(100ms), -1) << "ravlin ended early";
        window = display.Run(std::string("xdotool search --name '") + Title + "'") == 0;
    }
    ASSERT_TRUE(window) << "no window titled " << Title;
    // The machine's start-up screen: no menu colours where the menus put them.
    ASSERT_TRUE(WaitFor(MachineShown, 10s));
    std::this_thread::sleep_for(2s);   // let BASIC come up

    Keys("key F7");
    EXPECT_TRUE(WaitFor(OptionsMenuShown, 10s)) << "F7 showed no options menu";
    Keys("keydown Escape sleep 0.3 keyup Escape");
    EXPECT_TRUE(WaitFor(MachineShown, 10s)) << "Escape did not leave the options menu";

    Keys("key F8");
    EXPECT_TRUE(WaitFor(LoadMenuShown, 10s)) << "F8 showed no load menu";
    Keys("keydown Escape sleep 0.3 keyup Escape");
    EXPECT_TRUE(WaitFor(MachineShown, 10s)) << "Escape did not leave the load menu";

    Keys("keydown shift key F8 keyup shift");
    EXPECT_TRUE(WaitFor(SaveMenuShown, 10s)) << "Shift+F8 showed no save menu";
    Keys("keydown Escape sleep 0.3 keyup Escape");
    EXPECT_TRUE(WaitFor(MachineShown, 10s)) << "Escape did not leave the save menu";

    // The machine runs on: F12 still ends it normally.
    Keys("key F12");
    EXPECT_EQ(ravlin.Wait(10s), 0);
}

}  // namespace
