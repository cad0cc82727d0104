#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <cstring>

#include "machine/machine_state.h"
#include "machine/startup.h"

namespace {
uint8_t* ExactRam = nullptr;
}

const std::string& FuzzDirectory()
{
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ravlin-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) {
            std::perror("fuzz directory");
            std::abort();
        }
        // Removed when the fuzzer exits normally.
        static const std::string removeAtExit = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return pattern;
    }();
    return path;
}

void WriteFuzzFile(const char* name, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(name, "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

uint8_t* PowerOnWithExactRam()
{
    ReleaseExactRam();
    ResetMachineToPowerOn();
    ExactRam = static_cast<uint8_t*>(std::malloc(0x10000));
    for (uint32_t a = 0; a < 0x10000; a++)
        ExactRam[a] = RamFillPattern(a);
    Ram64 = ExactRam;
    BuildInternalTables();
    return ExactRam;
}

void ReleaseExactRam()
{
    // ReleaseAll frees the start-up block and clears Ram64 only when it
    // points there: give it back before freeing the exact buffer.
    if (ExactRam && Ram64 == ExactRam)
        Ram64 = RamBlock ? reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(RamBlock) + 8) & ~uintptr_t{7}) : nullptr;
    std::free(ExactRam);
    ExactRam = nullptr;
}

uint8_t* BootWithExactRam(uint32_t screenMode, uint32_t sync)
{
    FuzzDirectory();
    static const bool romsWritten = [] {
        std::vector<uint8_t> rom(0x4000, 0xEA);
        rom[0x3F80] = 0x80;   // PAL
        WriteFuzzFile("basic.bin", rom.data(), rom.size());
        WriteFuzzFile("kernal.bin", rom.data(), rom.size());
        setenv("RAVLIN_SETTINGS", "settings", 1);
        return true;
    }();
    (void)romsWritten;
    std::string settings = "ScreenMode=" + std::to_string(screenMode) + "\nSync=" + std::to_string(sync) +
                           "\nSoundEmulation=1\nWindowed=1\n";
    WriteFuzzFile("settings", reinterpret_cast<const uint8_t*>(settings.data()), settings.size());

    ReleaseExactRam();
    ResetMachineToPowerOn();
    int exitCode = 0;
    if (!StartUp(1, &exitCode)) {
        std::fprintf(stderr, "fuzz start-up failed\n");
        std::abort();
    }
    ExactRam = static_cast<uint8_t*>(std::malloc(0x10000));
    std::memcpy(ExactRam, Ram64, 0x10000);
    Ram64 = ExactRam;
    return ExactRam;
}
