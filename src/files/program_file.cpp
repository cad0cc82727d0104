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

}  // namespace

bool LoadProgramFile(const char* fileName)
{
    if (!Ram64 || !fileName)
        return false;
    uint64_t fileSize = 0;
    std::FILE* file = OpenRegularFile(fileName, &fileSize);
    if (!file)
        return false;
    // The address and at most as many data bytes as a load takes.
    std::vector<uint8_t> bytes(2 + ProgramDataLimit);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    return !readFailed && LoadProgramBytes(bytes.data(), got);
}

bool LoadProgramBytes(const uint8_t* bytes, size_t size)
{
    if (!Ram64 || !bytes || size < 2)
        return false;
    // The data goes straight into RAM, but never past its end (0xFFFF, or
    // 0x3FFF of the C16's 16 KiB, which answer every address with their low
    // 14 bits): bytes beyond it are dropped, and only the bytes stored count.
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
