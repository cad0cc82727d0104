// Running the SDL program `ravlin` from a test on a virtual X display
// (Xvfb): child processes with time limits, keys sent with xdotool, and the
// screen read back from an xwd dump.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

inline constexpr const char* RavlinWindowTitle = "Ravlin - The C16/Plus4 Emulator";

// The full path of a program on PATH, or empty.
std::string FindProgram(const std::string& name);
// The first of the programs that is not on PATH, or empty when all are.
std::string MissingProgram(std::initializer_list<const char*> names);
// The built SDL program, or empty when it was not built.
std::string RavlinProgram();

// Skips the current test with a clear message when the SDL program or the
// X tools (Xvfb, xdotool, xwd) are missing.
#define REQUIRE_DESKTOP_TOOLS()                                                                       \
    do {                                                                                              \
        if (RavlinProgram().empty())                                                                  \
            GTEST_SKIP() << "the SDL program ravlin was not built";                                   \
        if (std::string missing_ = MissingProgram({"Xvfb", "xdotool", "xwd"}); !missing_.empty())     \
            GTEST_SKIP() << missing_ << " is not installed (apt-get install xvfb xdotool x11-apps)"; \
    } while (0)

// A child process; killed if still running when the object goes.
struct Child {
    pid_t pid = -1;
    int output = -1;   // standard output and error, read end (when kept)

    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    // Runs args[0] (looked up on PATH when it holds no '/') in `directory`
    // (unless empty), with the environment changed by `environment`:
    // "NAME=value" sets, a bare "NAME" removes.  Standard output and error
    // are kept for Wait when keepOutput, else thrown away.
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& environment,
               const std::string& directory, bool keepOutput = false);
    // The exit status (1000 + signal when killed) once ended within
    // `timeout`, else -1.  Appends what it printed to *text.
    int Wait(std::chrono::milliseconds timeout, std::string* text = nullptr);
    // Asks the process to end (SIGTERM) and kills it after `grace`.
    void Stop(std::chrono::milliseconds grace);
};

// An Xvfb server, 1024 x 768 x 24, on a free display number.
struct VirtualDisplay {
    Child server;
    std::string name;   // ":N"

    bool Start();
    // Runs a shell command on the display, output thrown away; the status
    // as std::system gives it.
    int Run(const std::string& command) const;
    // Runs a shell command on the display; its standard output without the
    // trailing line ends and spaces.
    std::string Output(const std::string& command) const;
    // Moves the pointer to the middle of the screen (where the full-screen
    // window has it), then runs xdotool with the arguments.
    void Keys(const std::string& xdotoolArguments) const;
};

// The environment for ravlin on the display: the settings file, no
// Wayland, SDL's dummy audio (when dummyAudio), and no leak report: in a
// sanitizer build the desktop libraries (D-Bus, X11) keep allocations until
// the process ends; they are not this program's leaks.
std::vector<std::string> RavlinEnvironment(const VirtualDisplay& display, const std::string& settingsFile,
                                           bool dummyAudio = true);

// Waits up to ten seconds for ravlin's window to appear; a fatal failure
// when the program ends first or no window appears.  Use with
// ASSERT_NO_FATAL_FAILURE.
void AwaitRavlinWindow(const VirtualDisplay& display, Child& ravlin, std::string* output = nullptr);

// A window (or the whole screen) read back from an xwd dump.
struct Screenshot {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> rgb;   // 0xRRGGBB, row by row

    uint32_t At(uint32_t x, uint32_t y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    // Pixel (x, y) of a 320 x 200 picture that fills the screen with its
    // aspect kept, sampled at the centre of the source pixel.
    uint32_t PicturePixel(int x, int y) const;
    // Dumps `target` ("-root", or "-id WINDOW") into `file` and reads it.
    bool Take(const VirtualDisplay& display, const std::string& file, const std::string& target = "-root");
};

// The text of a 320 x 200 screenshot (F6's output.bmp): each 8 x 8 cell
// matched against the real KERNAL's character set (the open ROM's with
// openRom), pixels unlike the most
// common colour counting as set; 25 lines, trailing blanks dropped, '?' for
// a cell that is no character.
std::string ScreenshotText(const std::string& bmpPath, bool openRom = false);

// Presses F6 in ravlin (running in `directory`) and reads the picture's
// text once the screenshot is written; empty after ten seconds without one.
std::string ScreenTextOf(const VirtualDisplay& display, const std::string& directory, bool openRom = false);

// Palette colour `index` as 0xRRGGBB.
uint32_t PaletteRgb(uint8_t index);
