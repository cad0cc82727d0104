// Text drawn straight into the emulated picture: the 40 x 25 menu window of
// 8 x 8 cells that lies over the TED's 320 x 200 display window, with the
// machine's own character generator as the font.
#pragma once
#include <cstdint>

// The menu window in the frame buffer: cell (column, row) has its top-left
// pixel at frame line 56 + 8 row, pixel 64 + 8 column.
constexpr uint32_t MenuWindowOffset = 25600;   // 56 * 456 + 64
constexpr uint32_t MenuRowStride = 3648;       // 8 * 456
constexpr int MenuColumns = 40;
constexpr int MenuRows = 25;

// The character generator inside the KERNAL image (machine 0xD000-0xD7FF).
constexpr uint32_t CharacterGeneratorOffset = 0x1000;

// Text character to screen code: letters fold to upper case, punctuation
// and digits keep their value, '@' and 'A'-'Z' become 0-26, and anything the
// character set has no place for shows the at sign (screen code 0).
uint8_t GlyphMap(uint8_t character);

// Byte offset of a cell's top-left pixel.  Column and row are 8-bit and not
// clipped: past column 39 a cell continues to the right of the window and,
// beyond pixel 455, on the following lines.
uint32_t MenuCellOffset(uint8_t column, uint8_t row);

// Every pixel of the menu window to index 0x00.
void ClearMenuWindow();
// One cell: set bits of the glyph in ink, clear bits in paper.
void DrawChar(uint8_t column, uint8_t row, uint8_t character, uint8_t ink, uint8_t paper);
// The characters of a string in consecutive cells of one row (the column
// wraps as an 8-bit value); nothing is added, cut or wrapped.
void DrawText(uint8_t column, uint8_t row, const char* text, uint8_t ink, uint8_t paper);
// DrawText cut at the window's right edge: characters that would land past
// column 39 are not drawn (nothing at all from a column past it).
void DrawTextToEdge(uint8_t column, uint8_t row, const char* text, uint8_t ink, uint8_t paper);
// A fixed text of a menu layout at its place and in its colours.
struct Label {
    uint8_t column, row;
    const char* text;
    uint8_t ink, paper;
};

inline void Draw(const Label& label)
{
    DrawText(label.column, label.row, label.text, label.ink, label.paper);
}

// One cell with the glyph of the screen code itself.  Note the order: paper
// (clear bits) comes before ink (set bits).
void DrawScreenCode(uint8_t column, uint8_t row, uint8_t screenCode, uint8_t paper, uint8_t ink);

// Puts the whole frame buffer on the display in the current screen mode's
// geometry.  A surface that can't be locked skips this presentation.
void PresentMenu();
