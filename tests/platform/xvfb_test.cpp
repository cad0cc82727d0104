// The SDL program `ravlin` on a virtual X display (Xvfb): it opens its
// window, shows the machine's picture in the palette's colours, and F12
// ends it with exit code 0.  Also the fatal-error box without a display.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "support/test_support.h"
#include "ted/palette.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* Title = "Ravlin - The C16/Plus4 Emulator";
// In a sanitizer build the desktop libraries (D-Bus, X11) keep allocations
// until the process ends; they are not this program's leaks.
constexpr const char* LeaksUnchecked = "ASAN_OPTIONS=detect_leaks=0";

std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        fs::path candidate = fs::path(list.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return "";
}

std::string RavlinProgram()
{
    std::string path = std::string(RAVLIN_BINARY_DIR) + "/ravlin";
    return access(path.c_str(), X_OK) == 0 ? path : "";
}

// A child process with its own environment and working directory.
struct Child {
    pid_t pid = -1;
    int output = -1;   // standard error and output, read end

    void Start(const std::vector<std::string>& args, const std::vector<std::string>& environment,
               const std::string& directory)
    {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            dup2(pipeFds[1], 1);
            dup2(pipeFds[1], 2);
            close(pipeFds[0]);
            if (!directory.empty() && chdir(directory.c_str()) != 0)
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
        close(pipeFds[1]);
        output = pipeFds[0];
        fcntl(output, F_SETFL, O_NONBLOCK);
    }

    // Waits up to `timeout`; returns the exit status, or -1 if still running.
    int Wait(std::chrono::milliseconds timeout, std::string* text = nullptr)
    {
        auto until = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        for (;;) {
            Drain(text);
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                Drain(text);
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > until)
                return -1;
            std::this_thread::sleep_for(20ms);
        }
    }

    void Drain(std::string* text)
    {
        char buffer[512];
        ssize_t n;
        while (output >= 0 && (n = read(output, buffer, sizeof buffer)) > 0) {
            if (text)
                text->append(buffer, static_cast<size_t>(n));
        }
    }

    ~Child()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            close(output);
    }
};

// An Xvfb server on a free display number.
struct VirtualDisplay {
    Child server;
    std::string name;   // ":N"

    bool Start()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return false;
        server.pid = fork();
        if (server.pid == 0) {
            close(pipeFds[0]);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   "-br", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        std::string number;
        pollfd p{pipeFds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
            char c[16];
            ssize_t n = read(pipeFds[0], c, sizeof c);
            if (n <= 0)
                break;
            number.append(c, static_cast<size_t>(n));
        }
        close(pipeFds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == '\r'))
            number.pop_back();
        if (number.empty())
            return false;
        name = ":" + number;
        return true;
    }

    int Run(const std::string& command) const
    {
        return std::system(("DISPLAY=" + name + " " + command + " >/dev/null 2>&1").c_str());
    }
};

// An X window dump (xwd) as 8-bit RGB.
struct Screenshot {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t At(uint32_t x, uint32_t y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
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

bool TakeScreenshot(const VirtualDisplay& display, const std::string& file, Screenshot& shot)
{
    if (display.Run("xwd -root -silent -out '" + file + "'") != 0)
        return false;
    std::vector<uint8_t> d = ReadBinaryFile(file);
    if (d.size() < 100)
        return false;
    uint32_t headerSize = Big32(d, 0);
    uint32_t width = Big32(d, 16), height = Big32(d, 20);
    uint32_t byteOrder = Big32(d, 28);
    uint32_t bitsPerPixel = Big32(d, 44), bytesPerLine = Big32(d, 48);
    uint32_t red = Big32(d, 56), green = Big32(d, 60), blue = Big32(d, 64);
    uint32_t colours = Big32(d, 76);
    size_t pixels = headerSize + static_cast<size_t>(colours) * 12;
    if (bitsPerPixel != 32 || d.size() < pixels + static_cast<size_t>(bytesPerLine) * height)
        return false;
    shot.width = width;
    shot.height = height;
    shot.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t* p = &d[pixels + static_cast<size_t>(y) * bytesPerLine + x * 4];
            uint32_t v = byteOrder == 0 ? (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]
                                        : (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
            uint8_t* out = &shot.rgb[(static_cast<size_t>(y) * width + x) * 3];
            out[0] = static_cast<uint8_t>((v & red) >> MaskShift(red));
            out[1] = static_cast<uint8_t>((v & green) >> MaskShift(green));
            out[2] = static_cast<uint8_t>((v & blue) >> MaskShift(blue));
        }
    }
    return true;
}

uint32_t PaletteRgb(uint8_t index)
{
    const uint8_t* c = MachinePalette[index];
    return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
}

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
    double scale = std::min(shot.width / 320.0, shot.height / 200.0);
    double left = (shot.width - 320 * scale) / 2, top = (shot.height - 200 * scale) / 2;
    size_t counts[256] = {};
    for (uint8_t i : picture)
        counts[i & 0x7F]++;
    uint8_t common = 0;
    for (int i = 0; i < 128; i++)
        if (counts[i] > counts[common])
            common = static_cast<uint8_t>(i);
    for (uint32_t y = 0; y < 200; y++) {
        for (uint32_t x = 0; x < 320; x++) {
            uint32_t sx = static_cast<uint32_t>(left + (x + 0.5) * scale);
            uint32_t sy = static_cast<uint32_t>(top + (y + 0.5) * scale);
            uint8_t index = picture[y * 320 + x];
            bool same = shot.At(sx, sy) == PaletteRgb(index);
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
        if (RavlinProgram().empty())
            GTEST_SKIP() << "the SDL program ravlin was not built";
        for (const char* tool : {"Xvfb", "xdotool", "xwd"}) {
            if (FindProgram(tool).empty())
                GTEST_SKIP() << tool << " is not installed (apt-get install xvfb xdotool x11-apps)";
        }
        REQUIRE_REAL_ROMS();
    }
};

TEST_F(XvfbTest, ShowsThePictureInPaletteColoursAndEndsOnF12)
{
    ScratchDirectory dir;
    dir.CopyRealRoms();
    // What the machine shows after three seconds, from the headless build.
    std::vector<uint8_t> expected = HeadlessPicture(dir, 150);

    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    dir.WriteText("settings", "ScreenMode=0\nSoundEmulation=0\nSync=1\nLog=1\n");
    Child ravlin;
    ravlin.Start({RavlinProgram()},
                 {"DISPLAY=" + display.name, "RAVLIN_SETTINGS=" + dir.path + "/settings", "SDL_AUDIODRIVER=dummy",
                  "WAYLAND_DISPLAY", LeaksUnchecked},
                 dir.path);
    std::string output;
    bool windowFound = false;
    for (int i = 0; i < 100 && !windowFound; i++) {
        ASSERT_EQ(ravlin.Wait(100ms, &output), -1) << "ravlin ended early: " << output;
        windowFound = display.Run(std::string("xdotool search --name '") + Title + "'") == 0;
    }
    ASSERT_TRUE(windowFound) << "no window titled " << Title;

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
        ASSERT_TRUE(TakeScreenshot(display, dir.path + "/screen.xwd", shot));
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
    display.Run("xdotool mousemove 512 384 key F12");
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
    ravlin.Start({RavlinProgram()},
                 {"DISPLAY=" + display.name, "RAVLIN_SETTINGS=" + dir.path + "/settings", "SDL_AUDIODRIVER=dummy",
                  "WAYLAND_DISPLAY", LeaksUnchecked},
                 dir.path);
    std::string output, geometry = dir.path + "/geometry";
    bool sized = false;
    for (int i = 0; i < 100 && !sized; i++) {
        ASSERT_EQ(ravlin.Wait(100ms, &output), -1) << "ravlin ended early: " << output;
        display.Run(std::string("sh -c \"xdotool search --name '") + Title + "' getwindowgeometry > '" + geometry +
                    "'\"");
        // 640 x 400: twice the mode, the largest multiple within 80% of the
        // 1024 x 768 screen.
        sized = dir.ReadText("geometry").find("Geometry: 640x400") != std::string::npos;
    }
    EXPECT_TRUE(sized) << dir.ReadText("geometry");
    display.Run("xdotool mousemove 512 384 key F12");
    EXPECT_EQ(ravlin.Wait(10s, &output), 0) << output;
}

TEST_F(XvfbTest, AFatalErrorWaitsInAMessageBoxUntilItIsAnswered)
{
    ScratchDirectory dir;   // no ROM images: the first start-up failure
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    Child ravlin;
    ravlin.Start({RavlinProgram()},
                 {"DISPLAY=" + display.name, "RAVLIN_SETTINGS=" + dir.path + "/settings", "WAYLAND_DISPLAY",
                  LeaksUnchecked},
                 dir.path);
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
    EXPECT_EQ(ravlin.Wait(10s, &output), 0) << output;
    EXPECT_EQ(output.find("Ravlin Error"), std::string::npos) << "shown in the box, not on standard error";
}

TEST(NoDisplayTest, AFatalErrorGoesToStandardErrorWithoutADisplay)
{
    if (RavlinProgram().empty())
        GTEST_SKIP() << "the SDL program ravlin was not built";
    ScratchDirectory dir;   // no ROM images
    Child ravlin;
    ravlin.Start({RavlinProgram()},
                 {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "RAVLIN_SETTINGS=" + dir.path + "/settings"},
                 dir.path);
    std::string output;
    EXPECT_EQ(ravlin.Wait(10s, &output), 0);
    EXPECT_NE(output.find(std::string(Title) + ": Ravlin Error: File not found: BASIC.BIN"), std::string::npos)
        << output;
}

}  // namespace
