// A booted machine (tiny ROMs) in a scratch directory, with guard bytes in
// the RAM block around Ram64 so that a write outside it is caught.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "machine/machine_state.h"
#include "support/test_support.h"

constexpr uint8_t GuardByte = 0xA5;

struct FilesTest : ::testing::Test {
    ScratchDirectory scratch;

    void SetUp() override
    {
        scratch.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
        ASSERT_NE(Ram64, nullptr);
        FillGuards();
    }
    void TearDown() override
    {
        if (Ram64) {
            EXPECT_TRUE(GuardsIntact()) << "a write landed outside Ram64";
        }
    }

    // The block bytes before Ram64 and after 0xFFFF.
    static void FillGuards()
    {
        std::memset(RamBlock, GuardByte, static_cast<size_t>(Ram64 - RamBlock));
        std::memset(Ram64 + 0x10000, GuardByte, RamBlockSize - static_cast<size_t>(Ram64 + 0x10000 - RamBlock));
    }
    static bool GuardsIntact()
    {
        for (uint8_t* p = RamBlock; p < Ram64; p++)
            if (*p != GuardByte)
                return false;
        for (uint8_t* p = Ram64 + 0x10000; p < RamBlock + RamBlockSize; p++)
            if (*p != GuardByte)
                return false;
        return true;
    }

    static std::vector<uint8_t> RamCopy() { return std::vector<uint8_t>(Ram64, Ram64 + 0x10000); }

    // The names in the scratch directory other than the ROMs and settings.
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path, ec)) {
            std::string name = entry.path().filename().string();
            if (name != "basic.bin" && name != "kernal.bin" && name != "settings")
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

// n bytes of a pattern that differs from the RAM fill pattern.
inline std::vector<uint8_t> PatternBytes(size_t n, uint8_t seed = 1)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

inline std::vector<uint8_t> ProgramImage(uint16_t address, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> file = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8)};
    file.insert(file.end(), data.begin(), data.end());
    return file;
}
