// bench_kernal: the real KERNAL, booted to READY, run headless without
// pacing for a fixed number of frames in screen modes 0 and 2; prints the
// emulated frames per host second and the ratio to real time (50 frames per
// second).
//
//   bench_kernal [ROM directory] [frames] [ondemand]
//
// With "ondemand" only the frames someone looks at are drawn (none here);
// by default every frame is drawn, as a paced display draws them.
//
// The ROM directory defaults to $RAVLIN_ROM_DIR, else ../shared/roms beside
// the repository.  Build it in a release build directory of its own:
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF
//   cmake --build build-release --target bench_kernal
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"

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

bool RunFrames(long frames)
{
    int exitCode = 0;
    const uint64_t target = Ted.FramesCompleted + static_cast<uint64_t>(frames);
    return RunMainLoop(&exitCode, target);
}

// Boots in the given screen mode, lets the KERNAL reach READY, then times
// the frames.  Returns emulated frames per second, negative when the
// start-up failed.
double Measure(uint32_t screenMode, long frames, bool onDemand, const std::string& settingsPath)
{
    FILE* settings = std::fopen(settingsPath.c_str(), "w");
    if (!settings)
        return -1;
    std::fprintf(settings, "ScreenMode=%u\nSync=0\nSoundEmulation=0\n", screenMode);
    std::fclose(settings);
    setenv("RAVLIN_SETTINGS", settingsPath.c_str(), 1);

    ResetMachineToPowerOn();
    HeadlessDrawOnDemand(onDemand);
    int exitCode = 0;
    if (!StartUp(1, &exitCode) || !RunFrames(300))
        return -1;
    const auto start = std::chrono::steady_clock::now();
    if (!RunFrames(frames))
        return -1;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return static_cast<double>(frames) / seconds.count();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string roms = RomDirectory(argc, argv);
    const long frames = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5000;
    const bool onDemand = argc > 3 && std::string(argv[3]) == "ondemand";
    std::error_code ec;
    const fs::path settingsPath = fs::temp_directory_path(ec) / ("bench_kernal_settings_" + std::to_string(getpid()));
    fs::current_path(roms, ec);
    if (ec || frames <= 0) {
        std::fprintf(stderr, "bench_kernal: no ROM images in %s (or bad frame count)\n", roms.c_str());
        return 1;
    }
    int status = 0;
    for (uint32_t mode : {0u, 2u}) {
        const double fps = Measure(mode, frames, onDemand, settingsPath.string());
        if (fps < 0) {
            std::fprintf(stderr, "bench_kernal: start-up failed in screen mode %u\n", mode);
            status = 1;
            continue;
        }
        std::printf("screen mode %u: %ld frames, %.0f emulated frames per second, %.1f x real time\n", mode,
                    frames, fps, fps / 50.0);
    }
    fs::remove(settingsPath, ec);
    ResetMachineToPowerOn();
    return status;
}
