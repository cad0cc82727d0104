#include "files/program_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "files/regular_file.h"
#include "files/safe_save.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"

namespace {

// BASIC's pointer pairs that a load moves: start of variables, start of
// arrays, end of arrays, end address of the last load.
constexpr uint16_t LoadPointerPairs[4] = {0x2D, 0x2F, 0x31, 0x9D};

// The pointers are computed from the start of BASIC text whatever the load
// address was, as the machine's own loader does for a BASIC program.
constexpr uint16_t BasicTextStart = 0x1001;
constexpr uint32_t HighestPointer = 60000;

// The largest file any load address takes: its address and 64 KiB.
constexpr uint32_t LargestProgramFile = 2 + 0x10000;

// 61439 as "61,439".
std::string WithThousands(uint64_t value)
{
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

}  // namespace

std::string ProgramLoadProblem(const uint8_t* bytes, uint64_t size)
{
    if (size < 2)
        return "no load address";
    const uint32_t loadAddress = bytes[0] | (bytes[1] << 8);
    const uint32_t room = 0x10000 - loadAddress;
    if (size - 2 <= room)
        return "";
    char address[8];
    std::snprintf(address, sizeof address, "$%04X", static_cast<unsigned>(loadAddress));
    return "too long: " + WithThousands(size - 2) + " bytes from " + address + " run past $FFFF (" +
           WithThousands(room) + " fit)";
}

bool LoadProgramFile(const char* fileName)
{
    if (!Ram64 || !fileName)
        return false;
    uint64_t fileSize = 0;
    std::FILE* file = OpenRegularFile(fileName, &fileSize);
    if (!file)
        return false;
    // Enough to tell a file that runs past the end of memory.
    std::vector<uint8_t> bytes(LargestProgramFile + 1);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    return !readFailed && LoadProgramBytes(bytes.data(), got);
}

bool LoadProgramBytes(const uint8_t* bytes, size_t size)
{
    if (!Ram64 || !bytes || !ProgramLoadProblem(bytes, size).empty())
        return false;
    // The data goes straight into RAM.  Nothing runs past 0xFFFF (refused
    // above); on the C16's 16 KiB, which answer every address with their low
    // 14 bits, bytes past 0x3FFF are dropped, and only the bytes stored count.
    const uint32_t loadAddress = RamAddress(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
    const uint32_t room = RamAddressMask + 1u - loadAddress;
    uint32_t wanted = room < ProgramDataLimit ? room : ProgramDataLimit;
    uint32_t stored = static_cast<uint32_t>(size - 2 < wanted ? size - 2 : wanted);
    std::memcpy(Ram64 + loadAddress, bytes + 2, stored);
    RefreshRamImage();

    uint32_t end = BasicTextStart + stored;
    if (end <= HighestPointer) {
        for (uint16_t pair : LoadPointerPairs) {
            Ram64[pair] = static_cast<uint8_t>(end);
            Ram64[pair + 1] = static_cast<uint8_t>(end >> 8);
        }
    }
    return true;
}

bool SaveProgramFile(const char* fileName, uint16_t start, uint16_t end)
{
    if (!Ram64 || start >= end)
        return false;
    std::vector<uint8_t> image;
    image.reserve(2u + (end - start));
    image.push_back(static_cast<uint8_t>(start));
    image.push_back(static_cast<uint8_t>(start >> 8));
    for (uint32_t address = start; address < end; address++)
        image.push_back(Ram64[RamAddress(static_cast<uint16_t>(address))]);
    return SaveFileReplacing(fileName, image.data(), image.size());
}
