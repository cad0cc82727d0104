#include "support/test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "machine/machine_state.h"
#include "machine/startup.h"

namespace fs = std::filesystem;

std::string RealRomDirectory()
{
    // Taken once: scratch directories then hide $RAVLIN_ROM_DIR from the
    // program's own search for ROM images.
    static const std::string found = [] {
        const char* env = std::getenv("RAVLIN_ROM_DIR");
        std::string dir = (env && *env) ? env : std::string(RAVLIN_SOURCE_DIR) + "/../shared/roms";
        std::error_code ec;
        if (!fs::exists(fs::path(dir) / "kernal.bin", ec) || !fs::exists(fs::path(dir) / "basic.bin", ec))
            return std::string();
        return fs::absolute(dir, ec).string();
    }();
    return found;
}

ScratchDirectory::ScratchDirectory()
{
    std::error_code ec;
    previous = fs::current_path(ec).string();
    std::string pattern = (fs::temp_directory_path(ec) / "ravlin-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    char* made = mkdtemp(buffer.data());
    path = made ? made : "";
    fs::current_path(path, ec);
    setenv("RAVLIN_SETTINGS", (fs::path(path) / "settings").c_str(), 1);
    // ROM images are looked for here only, not where the user keeps them.
    RealRomDirectory();
    unsetenv("RAVLIN_ROM_DIR");
    setenv("XDG_DATA_HOME", (fs::path(path) / "data").c_str(), 1);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ec;
    fs::current_path(previous, ec);
    // Make everything writable again so that removal succeeds.
    for (auto it = fs::recursive_directory_iterator(path, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
    unsetenv("RAVLIN_SETTINGS");
}

void ScratchDirectory::WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::ofstream out(fs::path(path) / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ScratchDirectory::WriteText(const std::string& name, const std::string& text) const
{
    std::ofstream out(fs::path(path) / name, std::ios::binary);
    out << text;
}

std::string ScratchDirectory::ReadText(const std::string& name) const
{
    std::ifstream in(fs::path(path) / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool ScratchDirectory::Exists(const std::string& name) const
{
    std::error_code ec;
    return fs::exists(fs::path(path) / name, ec);
}

void ScratchDirectory::CopyRealRoms(bool functionRoms) const
{
    std::string dir = RealRomDirectory();
    std::vector<std::string> names = {"basic.bin", "kernal.bin"};
    if (functionRoms) {
        names.push_back("3plus1lo.rom");
        names.push_back("3plus1hi.rom");
    }
    std::error_code ec;
    for (const auto& name : names)
        fs::copy_file(fs::path(dir) / name, fs::path(path) / name, fs::copy_options::overwrite_existing, ec);
}

bool ScratchDirectory::CopyDriveRom() const
{
    std::error_code ec;
    const fs::path rom = fs::path(RealRomDirectory()) / "dos1541.bin";
    return !RealRomDirectory().empty() && fs::copy_file(rom, fs::path(path) / "dos1541.bin", fs::copy_options::overwrite_existing, ec);
}

bool WriteTinyRomFiles(const std::string& directory, uint16_t resetTarget)
{
    std::vector<uint8_t> basic(RomSize, 0x00);
    std::vector<uint8_t> kernal(RomSize, 0xEA);     // NOPs
    kernal[0x3000] = 0x4C;                           // 0xF000: JMP 0xF000
    kernal[0x3001] = 0x00;
    kernal[0x3002] = 0xF0;
    kernal[0x3F80] = 0x85;                           // PAL marker
    kernal[0x3FFC] = static_cast<uint8_t>(resetTarget);
    kernal[0x3FFD] = static_cast<uint8_t>(resetTarget >> 8);
    kernal[0x3FFE] = 0x00;                           // interrupt vector 0xF000
    kernal[0x3FFF] = 0xF0;
    bool ok = true;
    for (const auto& [name, image] : {std::pair{"basic.bin", &basic}, std::pair{"kernal.bin", &kernal}}) {
        std::ofstream out(fs::path(directory) / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image->data()), static_cast<std::streamsize>(image->size()));
        ok = ok && out.good();
    }
    return ok;
}

void ScratchDirectory::WriteTinyRoms(uint16_t resetTarget) const
{
    WriteTinyRomFiles(path, resetTarget);
}

char CharacterOfScreenCode(int k)
{
    if (k == 0) return '@';
    if (k >= 1 && k <= 26) return static_cast<char>('A' + k - 1);
    if (k == 27) return '[';
    if (k == 29) return ']';
    if (k >= 32 && k <= 63) return static_cast<char>(k);
    if (k == 77) return '\\';
    if (k == 100) return '_';
    return '?';
}

std::vector<uint8_t> ReadBinaryFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool BootMachine(int* exitCode)
{
    ResetMachineToPowerOn();
    int code = 0;
    bool ok = StartUp(1, &code);
    if (exitCode)
        *exitCode = code;
    return ok;
}
