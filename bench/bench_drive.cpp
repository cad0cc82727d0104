// bench_drive: the 1541 with its own processor against the built-in drive.
//
//   bench_drive [ROM directory] [rounds] [frames]
//
// 1. Idle: the real KERNAL at READY, unpaced, a D64 attached, alternately
//    to the built-in drive (Drive8=0) and to the 1541 (Drive8=1, its DOS
//    idling); emulated frames per second of processor time, medians, and
//    the 1541's cost against the built-in drive.
// 2. A standard LOAD of a 150-block program through the stock KERNAL and
//    the 1541's DOS: the emulated time it takes (the real drive's time),
//    and the wall time of the unpaced run, which is what DriveWarp gives.
//
// The ROM directory (basic.bin, kernal.bin, dos1541.bin) defaults to
// $RAVLIN_ROM_DIR, else ../shared/roms beside the repository.  Build it in
// a release build directory:
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF
//   cmake --build build-release --target bench_drive
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "drive/drive.h"
#include "drive/hardware_drive.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/desktop.h"

namespace fs = std::filesystem;

namespace {

std::string RomDirectory(int argc, char** argv)
{
    if (argc > 1)
        return argv[1];
    if (const char* env = std::getenv("RAVLIN_ROM_DIR"); env && *env)
        return env;
    return (fs::path(__FILE__).parent_path().parent_path().parent_path() / "shared" / "roms").string();
}

double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int SectorsOf(int track) { return track <= 17 ? 21 : track <= 24 ? 19 : track <= 30 ? 18 : 17; }

size_t OffsetOf(int track, int sector)
{
    size_t index = 0;
    for (int t = 1; t < track; t++)
        index += static_cast<size_t>(SectorsOf(t));
    return (index + static_cast<size_t>(sector)) * 256;
}

// A 35-track D64 with one program, "BIG", laid out as the DOS lays out a
// file: from track 17 outward, ten sectors apart on each track.
std::vector<uint8_t> DiskWithProgram(int blocks)
{
    std::vector<uint8_t> d64(174848, 0);
    std::vector<std::vector<bool>> used(36);
    for (int t = 1; t <= 35; t++)
        used[t].assign(static_cast<size_t>(SectorsOf(t)), false);
    used[18][0] = used[18][1] = true;
    std::vector<std::pair<int, int>> chain;
    int track = 17, sector = 0;
    while (static_cast<int>(chain.size()) < blocks) {
        const int count = SectorsOf(track);
        if (std::count(used[track].begin(), used[track].end(), false) == 0) {
            track--;
            sector = 0;
            continue;
        }
        while (used[track][static_cast<size_t>(sector)])
            sector = (sector + 1) % count;
        used[track][static_cast<size_t>(sector)] = true;
        chain.push_back({track, sector});
        sector = (sector + 10) % count;
    }
    for (size_t i = 0; i < chain.size(); i++) {
        uint8_t* s = d64.data() + OffsetOf(chain[i].first, chain[i].second);
        const bool last = i + 1 == chain.size();
        s[0] = last ? 0 : static_cast<uint8_t>(chain[i + 1].first);
        s[1] = last ? 0xFF : static_cast<uint8_t>(chain[i + 1].second);
        for (int k = 2; k < 256; k++)
            s[k] = static_cast<uint8_t>(i * 3 + static_cast<size_t>(k));
        if (i == 0) {
            s[2] = 0x01;   // loaded at 0x1001
            s[3] = 0x10;
        }
    }
    uint8_t* bam = d64.data() + OffsetOf(18, 0);
    bam[0] = 18;
    bam[1] = 1;
    bam[2] = 'A';
    for (int t = 1; t <= 35; t++) {
        uint8_t* entry = bam + 4 * t;
        for (int s = 0; s < SectorsOf(t); s++)
            if (!used[t][static_cast<size_t>(s)]) {
                entry[0]++;
                entry[1 + s / 8] |= static_cast<uint8_t>(1 << (s % 8));
            }
    }
    std::memset(bam + 0x90, 0xA0, 27);
    std::memcpy(bam + 0x90, "BENCH", 5);
    std::memcpy(bam + 0xA2, "BD", 2);
    std::memcpy(bam + 0xA5, "2A", 2);
    uint8_t* dir = d64.data() + OffsetOf(18, 1);
    dir[1] = 0xFF;
    dir[2] = 0x82;
    dir[3] = static_cast<uint8_t>(chain[0].first);
    dir[4] = static_cast<uint8_t>(chain[0].second);
    std::memset(dir + 5, 0xA0, 16);
    std::memcpy(dir + 5, "BIG", 3);
    dir[30] = static_cast<uint8_t>(blocks);
    return d64;
}

bool RunFrames(long frames)
{
    int exitCode = 0;
    return RunMainLoop(&exitCode, Ted.FramesCompleted + static_cast<uint64_t>(frames));
}

bool Start(const std::string& settingsPath, int drive8)
{
    std::ofstream(settingsPath) << "Sync=0\nSoundEmulation=0\nDrive8=" << drive8 << "\n";
    setenv("RAVLIN_SETTINGS", settingsPath.c_str(), 1);
    ResetMachineToPowerOn();
    int exitCode = 0;
    std::string message;
    return StartUp(1, &exitCode) && DriveAttach("bench_drive.d64", &message);
}

// The share of the 1541's cycles counted in idle rounds, not run.
std::vector<double> IdleShare;

// Frames per second of processor time at READY with the disk attached.
double IdleFramesPerSecond(const std::string& settingsPath, int drive8, long frames)
{
    if (!Start(settingsPath, drive8) || !RunFrames(300))
        return -1;
    const uint64_t cycles = HardwareDriveCycles(), idle = HardwareDriveIdleCycles();
    const double start = ProcessSeconds();
    if (!RunFrames(frames))
        return -1;
    const double fps = static_cast<double>(frames) / (ProcessSeconds() - start);
    if (drive8 && HardwareDriveCycles() > cycles)
        IdleShare.push_back(static_cast<double>(HardwareDriveIdleCycles() - idle) /
                            static_cast<double>(HardwareDriveCycles() - cycles));
    return fps;
}

void Type(const char* text)
{
    const size_t length = std::strlen(text);
    std::memcpy(Ram64 + 0x0527, text, length);   // the KERNAL's keyboard buffer
    Ram64[0xEF] = static_cast<uint8_t>(length);
}

int CountOf(const std::string& text, const std::string& word)
{
    int count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        count++;
    return count;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string roms = RomDirectory(argc, argv);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const long frames = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 3000;
    std::error_code ec;
    const fs::path settingsPath = fs::temp_directory_path(ec) / ("bench_drive_settings_" + std::to_string(getpid()));
    fs::current_path(roms, ec);
    if (ec || !fs::exists("dos1541.bin") || rounds <= 0 || frames <= 0) {
        std::fprintf(stderr, "bench_drive: no dos1541.bin in %s (or bad counts)\n", roms.c_str());
        return 1;
    }
    // The disk goes to a folder of its own; the ROM directory is only read.
    const fs::path work = fs::temp_directory_path(ec) / ("bench_drive_" + std::to_string(getpid()));
    fs::create_directories(work, ec);
    for (const char* rom : {"basic.bin", "kernal.bin", "dos1541.bin"})
        fs::copy_file(rom, work / rom, fs::copy_options::overwrite_existing, ec);
    fs::current_path(work, ec);
    const std::vector<uint8_t> disk = DiskWithProgram(150);
    std::ofstream("bench_drive.d64", std::ios::binary).write(reinterpret_cast<const char*>(disk.data()),
                                                              static_cast<std::streamsize>(disk.size()));

    std::vector<double> builtIn, drive1541;
    for (int round = 0; round < rounds; round++) {
        builtIn.push_back(IdleFramesPerSecond(settingsPath.string(), 0, frames));
        drive1541.push_back(IdleFramesPerSecond(settingsPath.string(), 1, frames));
    }
    const double a = Median(builtIn), b = Median(drive1541);
    std::printf("idle at READY, %d rounds of %ld frames, medians:\n", rounds, frames);
    std::printf("  built-in drive: %.0f frames/s (%.0fx real time)\n", a, a / 50);
    std::printf("  1541:           %.0f frames/s (%.0fx real time)\n", b, b / 50);
    std::printf("  the 1541 costs %.1f%% more processor time; %.1f%% of its cycles counted in idle rounds\n",
                (a / b - 1) * 100, Median(IdleShare) * 100);

    int status = a > 0 && b > 0 ? 0 : 1;
    if (Start(settingsPath.string(), 1) && RunFrames(100)) {
        Type("LOAD\"BIG\",8\r");
        const uint64_t first = Ted.FramesCompleted;
        const auto wallStart = std::chrono::steady_clock::now();
        const double processStart = ProcessSeconds();
        bool done = false;
        while (!done && Ted.FramesCompleted - first < 50 * 300) {
            RunFrames(10);
            done = CountOf(ScreenText(), "READY.") >= 2;
        }
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        const double process = ProcessSeconds() - processStart;
        const double emulated = static_cast<double>(Ted.FramesCompleted - first) / 50.0;
        if (done)
            std::printf("LOAD of 150 blocks: %.1f s of the machine's time (to within 0.2 s); unpaced %.2f s of "
                        "processor time, %.2f s wall time\n",
                        emulated, process, wall.count());
        else
            status = 1, std::printf("LOAD of 150 blocks: not done after %.0f s of the machine's time\n", emulated);
    } else {
        status = 1;
    }
    ResetMachineToPowerOn();
    fs::current_path(roms, ec);
    fs::remove_all(work, ec);
    fs::remove(settingsPath, ec);
    return status;
}
