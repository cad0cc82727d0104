// Shared helpers for the tests: ROM images, temporary working directories,
// booting the machine through the real start-up.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The directory holding the real ROM images: $RAVLIN_ROM_DIR, else
// ../shared/roms beside the repository.  Empty when the images are absent.
std::string RealRomDirectory();

// Skips the current test with a clear message when the real ROMs are absent.
#define REQUIRE_REAL_ROMS()                                                             \
    do {                                                                                \
        if (RealRomDirectory().empty())                                                 \
            GTEST_SKIP() << "real ROM images not found (set RAVLIN_ROM_DIR or put them " \
                            "in ../shared/roms)";                                       \
    } while (0)

// A fresh temporary directory that becomes the current directory for the
// lifetime of the object; the previous directory is restored afterwards and
// the temporary one removed.  RAVLIN_SETTINGS points at "settings" inside it,
// XDG_DATA_HOME at "data" inside it, and RAVLIN_ROM_DIR is unset, so that
// ROM images are found only in the directory and under data/ravlin/roms.
struct ScratchDirectory {
    ScratchDirectory();
    ~ScratchDirectory();
    std::string path;
    std::string previous;
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    void WriteText(const std::string& name, const std::string& text) const;
    std::string ReadText(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Copies the real ROM images into the directory.
    void CopyRealRoms(bool functionRoms = false) const;
    // And the 1541's DOS ROM; false when it is not beside the others.
    bool CopyDriveRom() const;
    // Writes a tiny BASIC and a tiny PAL KERNAL whose reset vector points at
    // an endless loop at 0xF000 (or at resetTarget).
    void WriteTinyRoms(uint16_t resetTarget = 0xF000) const;
};

// Writes basic.bin and kernal.bin of ScratchDirectory::WriteTinyRoms into
// a directory ("." for the current one).  Returns whether both were written.
bool WriteTinyRomFiles(const std::string& directory, uint16_t resetTarget = 0xF000);

// The character a screen code stands for in the KERNAL's character set, for
// reading text back from pictures ('?' for codes without a plain character).
char CharacterOfScreenCode(int screenCode);

std::vector<uint8_t> ReadBinaryFile(const std::string& path);

// Resets the machine to power-on, then runs the real start-up in the
// current directory.  Returns whether it succeeded.
bool BootMachine(int* exitCode = nullptr);
