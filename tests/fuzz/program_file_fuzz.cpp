// LoadProgramFile on any file, into exactly 64 KiB of RAM; then the loaded
// range saved back (through the temporary-file save) and compared.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/program_file.h"
#include "fuzz/fuzz_support.h"
#include "machine/machine_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDirectory();
    WriteFuzzFile("in.prg", data, size);
    uint8_t* ram = PowerOnWithExactRam();
    const bool loaded = LoadProgramFile("in.prg");
    // Data running past 0xFFFF is refused whole.
    const uint32_t start = size >= 2 ? data[0] | (data[1] << 8) : 0;
    if (loaded != (size >= 2 && size - 2 <= 0x10000 - start))
        std::abort();
    if (loaded && size > 2) {
        const uint32_t end = std::min<uint32_t>(start + static_cast<uint32_t>(size - 2), start + ProgramDataLimit);
        // BASIC's end pointers (0x2D-0x32, 0x9D-0x9E) are set after the copy.
        for (uint32_t a = start; a < end; a++)
            if (!(a >= 0x2D && a <= 0x32) && a != 0x9D && a != 0x9E && ram[a] != data[2 + a - start])
                std::abort();
        if (end <= 0xFFFF && end > start) {
            if (!SaveProgramFile("out.prg", static_cast<uint16_t>(start), static_cast<uint16_t>(end)))
                std::abort();
        }
    }
    ReleaseExactRam();
    return 0;
}
