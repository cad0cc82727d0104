#include "ui/text.h"

#include <array>
#include <cstddef>

#include "machine/machine_state.h"

namespace {

// The character set's screen codes by (folded) character, row by row as the
// character set lays them out.
constexpr uint8_t ScreenCodeOf(uint8_t c)
{
    if (c >= 'a' && c <= 'z')
        c = static_cast<uint8_t>(c - 0x20);
    if (c >= 0x20 && c <= 0x3F) return c;                               // space, punctuation, digits
    if (c >= 0x40 && c <= 0x5A) return static_cast<uint8_t>(c - 0x40);  // '@', 'A'-'Z'
    if (c == '[') return 27;
    if (c == '\\') return 77;
    if (c == ']') return 29;
    if (c == '_') return 100;
    return 0;                                                           // shows the at sign
}

constexpr std::array<uint8_t, 256> BuildGlyphMapTable()
{
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; c++)
        table[c] = ScreenCodeOf(static_cast<uint8_t>(c));
    return table;
}

constexpr std::array<uint8_t, 256> GlyphMapTable = BuildGlyphMapTable();

// Eight pixels in one store.  The renderer's store drops whatever would
// fall past the frame buffer's end, where cells far right or far down of
// the window would land.
inline void StorePixels8(uint32_t offset, const uint8_t pixels[8])
{
    PutPixels8(FrameBuffer, offset, pixels);
}

// A glyph from the KERNAL image itself, never through the memory map, so
// the machine's ROM banking can't change what the menus show.
void DrawGlyph(uint8_t column, uint8_t row, uint8_t screenCode, uint8_t ink, uint8_t paper)
{
    const uint8_t* glyph = KernalRom + CharacterGeneratorOffset + 8u * screenCode;
    uint32_t offset = MenuCellOffset(column, row);
    for (int line = 0; line < 8; line++, offset += FrameWidth) {
        uint8_t bits = glyph[line];
        uint8_t pixels[8];
        for (int i = 0; i < 8; i++)
            pixels[i] = (bits & (0x80 >> i)) ? ink : paper;
        StorePixels8(offset, pixels);
    }
}

}  // namespace

uint8_t GlyphMap(uint8_t character)
{
    return GlyphMapTable[character];
}

uint32_t MenuCellOffset(uint8_t column, uint8_t row)
{
    return MenuWindowOffset + MenuRowStride * row + 8u * column;
}

void ClearMenuWindow()
{
    static constexpr uint8_t black[8] = {};
    for (uint32_t line = 0, start = MenuWindowOffset; line < 200; line++, start += FrameWidth)
        for (uint32_t x = 0; x < 320; x += 8)
            StorePixels8(start + x, black);
}

void DrawChar(uint8_t column, uint8_t row, uint8_t character, uint8_t ink, uint8_t paper)
{
    DrawGlyph(column, row, GlyphMap(character), ink, paper);
}

void DrawText(uint8_t column, uint8_t row, const char* text, uint8_t ink, uint8_t paper)
{
    for (size_t i = 0; text[i] != '\0'; i++)
        DrawChar(static_cast<uint8_t>(column + i), row, static_cast<uint8_t>(text[i]), ink, paper);
}

void DrawTextToEdge(uint8_t column, uint8_t row, const char* text, uint8_t ink, uint8_t paper)
{
    for (int c = column; c < MenuColumns && *text != '\0'; c++, text++)
        DrawChar(static_cast<uint8_t>(c), row, static_cast<uint8_t>(*text), ink, paper);
}

void DrawScreenCode(uint8_t column, uint8_t row, uint8_t screenCode, uint8_t paper, uint8_t ink)
{
    DrawGlyph(column, row, screenCode, ink, paper);
}
