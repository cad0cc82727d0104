#include "support/desktop_support.h"

#include "machine/machine_state.h"
#include "machine/open_rom.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/test_support.h"
#include "ted/palette.h"

using namespace std::chrono_literals;

std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        std::filesystem::path candidate = std::filesystem::path(list.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return "";
}

std::string MissingProgram(std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (FindProgram(name).empty())
            return name;
    return "";
}

std::string RavlinProgram()
{
    std::string path = std::string(RAVLIN_BINARY_DIR) + "/ravlin";
    return access(path.c_str(), X_OK) == 0 ? path : "";
}

bool Child::Start(const std::vector<std::string>& args, const std::vector<std::string>& environment,
                  const std::string& directory, bool keepOutput)
{
    int pipeFds[2] = {-1, -1};
    if (keepOutput && pipe(pipeFds) != 0)
        return false;
    pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        int sink = keepOutput ? pipeFds[1] : open("/dev/null", O_WRONLY);
        dup2(sink, 1);
        dup2(sink, 2);
        if (keepOutput)
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
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (keepOutput) {
        close(pipeFds[1]);
        output = pipeFds[0];
        fcntl(output, F_SETFL, O_NONBLOCK);
    }
    return true;
}

int Child::Wait(std::chrono::milliseconds timeout, std::string* text)
{
    auto drain = [&] {
        char buffer[512];
        ssize_t n;
        while (output >= 0 && (n = read(output, buffer, sizeof buffer)) > 0) {
            if (text)
                text->append(buffer, static_cast<size_t>(n));
        }
    };
    auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        drain();
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
            drain();
            pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > until)
            return -1;
        std::this_thread::sleep_for(20ms);
    }
}

void Child::Stop(std::chrono::milliseconds grace)
{
    if (pid > 0 && Wait(0ms) == -1) {
        kill(pid, SIGTERM);
        Wait(grace);
    }
}

Child::~Child()
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (output >= 0)
        close(output);
}

bool VirtualDisplay::Start()
{
    // Xvfb picks a free display number and writes it to the pipe once it
    // takes connections.
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
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-br",
               "-noreset", static_cast<char*>(nullptr));
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

int VirtualDisplay::Run(const std::string& command) const
{
    return std::system(("DISPLAY=" + name + " " + command + " >/dev/null 2>&1").c_str());
}

std::string VirtualDisplay::Output(const std::string& command) const
{
    std::string text;
    if (FILE* pipe = popen(("DISPLAY=" + name + " " + command).c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

void VirtualDisplay::Keys(const std::string& xdotoolArguments) const
{
    Run("xdotool mousemove 512 384 " + xdotoolArguments);
}

std::vector<std::string> RavlinEnvironment(const VirtualDisplay& display, const std::string& settingsFile,
                                           bool dummyAudio)
{
    std::vector<std::string> environment = {"DISPLAY=" + display.name, "RAVLIN_SETTINGS=" + settingsFile,
                                            "WAYLAND_DISPLAY", "ASAN_OPTIONS=detect_leaks=0"};
    if (dummyAudio)
        environment.push_back("SDL_AUDIODRIVER=dummy");
    return environment;
}

void AwaitRavlinWindow(const VirtualDisplay& display, Child& ravlin, std::string* output)
{
    bool window = false;
    for (int i = 0; i < 100 && !window; i++) {
        ASSERT_EQ(ravlin.Wait(100ms, output), -1) << "ravlin ended early" << (output ? ": " + *output : "");
        window = display.Run(std::string("xdotool search --name '") + RavlinWindowTitle + "'") == 0;
    }
    ASSERT_TRUE(window) << "no window titled " << RavlinWindowTitle;
}

namespace {

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

}  // namespace

uint32_t Screenshot::PicturePixel(int x, int y) const
{
    double scale = std::min(width / 320.0, height / 200.0);
    double left = (width - 320 * scale) / 2, top = (height - 200 * scale) / 2;
    auto sx = static_cast<uint32_t>(left + (x + 0.5) * scale);
    auto sy = static_cast<uint32_t>(top + (y + 0.5) * scale);
    return At(sx, sy);
}

bool Screenshot::Take(const VirtualDisplay& display, const std::string& file, const std::string& target)
{
    if (display.Run("xwd " + target + " -silent -out '" + file + "'") != 0)
        return false;
    // The xwd header: big-endian 32-bit fields, then the colour map (12
    // bytes an entry), then the pixels, bytesPerLine apart.
    std::vector<uint8_t> d = ReadBinaryFile(file);
    if (d.size() < 100)
        return false;
    uint32_t headerSize = Big32(d, 0), byteOrder = Big32(d, 28);
    uint32_t bitsPerPixel = Big32(d, 44), bytesPerLine = Big32(d, 48);
    uint32_t red = Big32(d, 56), green = Big32(d, 60), blue = Big32(d, 64);
    size_t pixels = headerSize + static_cast<size_t>(Big32(d, 76)) * 12;
    uint32_t w = Big32(d, 16), h = Big32(d, 20), bytes = bitsPerPixel / 8;
    if ((bitsPerPixel != 24 && bitsPerPixel != 32) || bytesPerLine < w * bytes ||
        d.size() < pixels + static_cast<size_t>(bytesPerLine) * h)
        return false;
    width = w;
    height = h;
    rgb.assign(static_cast<size_t>(width) * height, 0);
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t* p = &d[pixels + static_cast<size_t>(y) * bytesPerLine + static_cast<size_t>(x) * bytes];
            uint32_t v = 0;
            for (uint32_t k = 0; k < bytes; k++)   // byte order 0: least significant byte first
                v = byteOrder == 0 ? v | (uint32_t{p[k]} << (8 * k)) : (v << 8) | p[k];
            rgb[static_cast<size_t>(y) * width + x] = (((v & red) >> MaskShift(red)) << 16) |
                                                      (((v & green) >> MaskShift(green)) << 8) |
                                                      ((v & blue) >> MaskShift(blue));
        }
    }
    return true;
}

std::string ScreenshotText(const std::string& bmpPath, bool openRom)
{
    std::vector<uint8_t> bmp = ReadBinaryFile(bmpPath);
    std::vector<uint8_t> kernal = openRom ? std::vector<uint8_t>(OpenRomImage + RomSize, OpenRomImage + 2 * RomSize)
                                          : ReadBinaryFile(RealRomDirectory() + "/kernal.bin");
    if (bmp.size() < 54 + 320 * 200 || kernal.size() < 0x1400)
        return "";
    auto le32 = [&](size_t at) { return uint32_t{bmp[at]} | (uint32_t{bmp[at + 1]} << 8) | (uint32_t{bmp[at + 2]} << 16) |
                                        (uint32_t{bmp[at + 3]} << 24); };
    uint32_t offset = le32(10);
    auto height = static_cast<int32_t>(le32(22));
    if (le32(18) != 320 || (height != 200 && height != -200) || bmp.size() < offset + 320 * 200)
        return "";
    auto pixel = [&](int x, int y) { return bmp[offset + static_cast<size_t>(height > 0 ? 199 - y : y) * 320 + x]; };
    size_t counts[256] = {};
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            counts[pixel(x, y)]++;
    uint8_t background = static_cast<uint8_t>(std::max_element(counts, counts + 256) - counts);
    std::string text;
    for (int row = 0; row < 25; row++) {
        std::string line;
        for (int column = 0; column < 40; column++) {
            char c = '?';
            for (int code = 0; code < 128 && c == '?'; code++) {
                bool same = true, inverse = true;
                for (int y = 0; y < 8 && (same || inverse); y++) {
                    uint8_t bits = 0;
                    for (int x = 0; x < 8; x++)
                        if (pixel(column * 8 + x, row * 8 + y) != background)
                            bits |= static_cast<uint8_t>(0x80 >> x);
                    same = same && bits == kernal[0x1000 + code * 8 + y];
                    inverse = inverse && bits == static_cast<uint8_t>(~kernal[0x1000 + code * 8 + y]);
                }
                if (same || inverse)
                    c = CharacterOfScreenCode(code);
            }
            line += c;
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

std::string ScreenTextOf(const VirtualDisplay& display, const std::string& directory, bool openRom)
{
    std::string file = directory + "/output.bmp";
    std::remove(file.c_str());
    display.Keys("key F6");
    for (int i = 0; i < 100; i++) {
        std::this_thread::sleep_for(100ms);
        if (access(file.c_str(), R_OK) == 0)
            return ScreenshotText(file, openRom);
    }
    return "";
}

uint32_t PaletteRgb(uint8_t index)
{
    const uint8_t* c = MachinePalette[index];
    return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
}
