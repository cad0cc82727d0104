#include "screen_text.h"

#include "files/bmp_writer.h"
#include "machine/machine_state.h"
#include "ted/palette.h"

namespace {

// Screen codes 0-63 of the character set; '.' where the glyph has no ASCII
// equivalent (pound sign, arrows).  Codes 64-127 are graphics.
constexpr char ScreenCodeCharacters[65] =
    "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[.].."
    " !\"#$%&'()*+,-./0123456789:;<=>?";

char AsciiOf(uint8_t code)
{
    code &= 0x7F;   // the reverse bit
    return code < 64 ? ScreenCodeCharacters[code] : '.';
}

}  // namespace

std::string ScreenText()
{
    std::string text;
    if (!Ram64)
        return text;
    const uint16_t matrix = static_cast<uint16_t>(((Ram64[0xFF14] & 0xF8) + 4) << 8);
    for (unsigned row = 0; row < 25; row++) {
        std::string line;
        for (unsigned col = 0; col < 40; col++)
            line += AsciiOf(Ram64[static_cast<uint16_t>(matrix + 40 * row + col)]);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line;
        text += '\n';
    }
    return text;
}

bool WriteFrameBufferBmp(const char* path)
{
    return WriteBmp8(path, FrameBuffer, FrameWidth, FrameLines, MachinePalette);
}
