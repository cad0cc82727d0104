// bench_sound: what the TED's sound generator (Accuracy=1) costs a headless
// frame.  Each workload boots the real ROMs to READY, starts a small
// program in RAM, and runs unpaced with the runner's audio recording on;
// the same frames without sound (SoundEmulation=0) are the base, and the
// older model's three buffers (Accuracy=0) are shown beside them.  Figures
// are processor time of this process, medians of several interleaved
// rounds.
//
//   bench_sound [ROM directory] [frames] [rounds] [workload number, from 1]
//
// Build it in a release build directory of its own:
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF
//   cmake --build build-release --target bench_sound
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "cpu/registers.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"

namespace fs = std::filesystem;

namespace {

constexpr uint16_t Origin = 0x3000;

struct Code {
    std::vector<uint8_t> bytes;
    uint16_t Here() const { return static_cast<uint16_t>(Origin + bytes.size()); }
    Code& Op(std::initializer_list<uint8_t> b)
    {
        bytes.insert(bytes.end(), b);
        return *this;
    }
    Code& Store(uint8_t value, uint16_t address)
    {
        return Op({0xA9, value, 0x8D, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8)});
    }
    Code& Branch(uint8_t opcode, uint16_t target) { return Op({opcode, static_cast<uint8_t>(target - (Here() + 2))}); }
    Code& Jump(uint16_t target) { return Op({0x4C, static_cast<uint8_t>(target), static_cast<uint8_t>(target >> 8)}); }
    Code& WaitLines(uint8_t lines)
    {
        Op({0xA0, lines});
        const uint16_t next = Here();
        Op({0xAD, 0x1D, 0xFF});
        const uint16_t same = Here();
        Op({0xCD, 0x1D, 0xFF});
        Branch(0xF0, same);
        Op({0x88});
        return Branch(0xD0, next);
    }
};

// A music driver's pattern: both voices on, each frequency changed four
// times a frame.
Code Music()
{
    Code c;
    c.Op({0x78}).Store(0x38, 0xFF11).Store(0x02, 0xFF12).Store(0x02, 0xFF10).Op({0xA2, 0x00});
    const uint16_t loop = c.Here();
    c.WaitLines(78).Op({0x8E, 0x0E, 0xFF, 0x8A, 0x49, 0x55, 0x8D, 0x0F, 0xFF, 0xE8});   // STX, TXA, EOR, STA, INX
    return c.Jump(loop);
}

// Sample playback: the volume written every line, with both voices at
// their top counts.  With bit 7 set the counters wait; with it clear (the
// worst case) voice 1 at 0x3FD toggles at 36.9 kHz all the while.
Code Digi(uint8_t high, uint8_t low)
{
    Code c;
    c.Op({0x78}).Store(0xFD, 0xFF0E).Store(0xFE, 0xFF0F).Store(0x03, 0xFF10).Store(0x03, 0xFF12);
    const uint16_t loop = c.Here();
    c.WaitLines(1).Store(high, 0xFF11).WaitLines(1).Store(low, 0xFF11);
    return c.Jump(loop);
}

// Voice 2's noise at its fastest counting value: a shift every 3 sound clocks.
Code Noise()
{
    Code c;
    c.Op({0x78}).Store(0xFD, 0xFF0F).Store(0x03, 0xFF10).Store(0x48, 0xFF11);
    return c.Jump(c.Here());
}

struct Workload {
    const char* name;
    Code code;   // empty: the KERNAL idles at READY, silent
};

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool RunFrames(long frames)
{
    int exitCode = 0;
    return RunMainLoop(&exitCode, Ted.FramesCompleted + static_cast<uint64_t>(frames));
}

// Processor seconds per frame, negative when the start-up failed.
double Measure(const Workload& w, uint32_t accuracy, uint32_t sound, long frames, const std::string& settingsPath)
{
    FILE* settings = std::fopen(settingsPath.c_str(), "w");
    if (!settings)
        return -1;
    std::fprintf(settings, "ScreenMode=0\nSync=0\nSoundEmulation=%u\nAccuracy=%u\n", sound, accuracy);
    std::fclose(settings);
    setenv("RAVLIN_SETTINGS", settingsPath.c_str(), 1);
    ResetMachineToPowerOn();
    int exitCode = 0;
    if (!StartUp(1, &exitCode) || !RunFrames(300))
        return -1;
    if (!w.code.bytes.empty()) {
        std::copy(w.code.bytes.begin(), w.code.bytes.end(), Ram64 + Origin);
        Cpu.PC = Origin;
    }
    HeadlessCaptureAudio(true);
    RunFrames(50);
    const double start = ProcessSeconds();
    if (!RunFrames(frames))
        return -1;
    return (ProcessSeconds() - start) / static_cast<double>(frames);
}

std::string RomDirectory(int argc, char** argv)
{
    if (argc > 1)
        return argv[1];
    if (const char* env = std::getenv("RAVLIN_ROM_DIR"); env && *env)
        return env;
    return (fs::path(__FILE__).parent_path().parent_path().parent_path() / "shared" / "roms").string();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string roms = RomDirectory(argc, argv);
    const long frames = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 2000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    std::error_code ec;
    const fs::path settingsPath = fs::temp_directory_path(ec) / ("bench_sound_settings_" + std::to_string(getpid()));
    fs::current_path(roms, ec);
    if (ec || frames <= 0 || rounds <= 0) {
        std::fprintf(stderr, "bench_sound: no ROM images in %s (or bad frame or round count)\n", roms.c_str());
        return 1;
    }
    const Workload workloads[] = {{"KERNAL idle, silent", Code{}},
                                  {"music: 2 voices, 8 frequency writes a frame", Music()},
                                  {"digi: 0xFF11 every line, bit 7 set", Digi(0xB8, 0xB0)},
                                  {"digi: 0xFF11 every line, bit 7 clear, voice 1 at 36.9 kHz", Digi(0x38, 0x31)},
                                  {"noise at 0x3FD", Noise()}};
    std::printf("| workload | us/frame, no sound | Accuracy=0 | Accuracy=1 | sound's share at Accuracy=1 |\n"
                "|---|---|---|---|---|\n");
    const int only = argc > 4 ? std::atoi(argv[4]) : 0;
    int status = 0;
    int number = 0;
    for (const Workload& w : workloads) {
        if (only && ++number != only)
            continue;
        std::vector<double> base, older, sound;
        // BENCH_SOUND_ONLY=1 runs the Accuracy=1 figure alone (for a profiler).
        const bool alone = std::getenv("BENCH_SOUND_ONLY") != nullptr;
        for (int r = 0; r < rounds; r++) {
            base.push_back(alone ? 1.0 : Measure(w, 1, 0, frames, settingsPath.string()));
            older.push_back(alone ? 1.0 : Measure(w, 0, 1, frames, settingsPath.string()));
            sound.push_back(Measure(w, 1, 1, frames, settingsPath.string()));
        }
        const double b = Median(base), o = Median(older), s = Median(sound);
        if (b < 0 || o < 0 || s < 0) {
            std::fprintf(stderr, "bench_sound: start-up failed\n");
            status = 1;
            continue;
        }
        std::printf("| %s | %.1f | %.1f | %.1f | %.1f%% |\n", w.name, b * 1e6, o * 1e6, s * 1e6, 100.0 * (s - b) / s);
        std::fflush(stdout);
    }
    fs::remove(settingsPath, ec);
    ResetMachineToPowerOn();
    return status;
}
