// Menu text drawing at any column and row, with any character, colours and
// string: nothing may be written outside the frame buffer or read outside
// the KERNAL image.  Input: records of five bytes (column, row, character,
// ink, paper) drawn with DrawChar and DrawScreenCode; the last record's
// place also takes the remaining bytes as a string for DrawText.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "machine/machine_state.h"
#include "ui/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool romFilled = [] {
        for (uint32_t a = 0; a < RomSize; a++)
            KernalRom[a] = static_cast<uint8_t>(a * 37 + (a >> 7));
        return true;
    }();
    (void)romFilled;
    size_t i = 0;
    uint8_t column = 0, row = 0, ink = 1, paper = 0;
    for (; i + 5 <= size && i < 5 * 64; i += 5) {
        column = data[i];
        row = data[i + 1];
        ink = data[i + 3];
        paper = data[i + 4];
        DrawChar(column, row, data[i + 2], ink, paper);
        DrawScreenCode(static_cast<uint8_t>(row ^ column), static_cast<uint8_t>(column + row), data[i + 2], paper, ink);
    }
    const std::string text(reinterpret_cast<const char*>(data + i), size - i);
    DrawText(column, row, text.c_str(), ink, paper);
    return 0;
}
