#include "files/program_file.h"

#include <cstdio>
#include <vector>

#include "files/regular_file.h"
#include "files/safe_save.h"
#include "machine/machine_state.h"

namespace {

// BASIC's pointer pairs that a load moves: start of variables, start of
// arrays, end of arrays, end address of the last load.
constexpr uint16_t LoadPointerPairs[4] = {0x2D, 0x2F, 0x31, 0x9D};

// The pointers are computed from the start of BASIC text whatever the load
// address was, as the machine's own loader does for a BASIC program.
constexpr uint16_t BasicTextStart = 0x1001;
constexpr uint32_t HighestPointer = 60000;

}  // namespace

bool LoadProgramFile(const char* fileName)
{
    if (!Ram64 || !fileName)
        return false;
    uint64_t size = 0;
    std::FILE* file = OpenRegularFile(fileName, &size);
    if (!file)
        return false;
    uint8_t address[2];
    if (std::fread(address, 1, 2, file) != 2) {
        std::fclose(file);
        return false;
    }
    uint32_t loadAddress = address[0] | (address[1] << 8);
    // The data goes straight into RAM, but never past 0xFFFF: bytes beyond
    // the end of memory are left unread, and only the bytes stored count.
    uint32_t room = 0x10000 - loadAddress;
    uint32_t wanted = room < ProgramDataLimit ? room : ProgramDataLimit;
    uint32_t stored = static_cast<uint32_t>(std::fread(Ram64 + loadAddress, 1, wanted, file));
    std::fclose(file);

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
    image.insert(image.end(), Ram64 + start, Ram64 + end);
    return SaveFileReplacing(fileName, image.data(), image.size());
}
