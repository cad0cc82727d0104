// The eight pixels of one window chunk in each of the TED's display modes,
// built as one 64-bit value: byte i (in memory order) is pixel i, left to
// right.  Used only by the renderer.
#pragma once
#include <array>
#include <bit>
#include <cstdint>

#include "machine/machine_state.h"
#include "ted/ted_names.h"

static_assert(std::endian::native == std::endian::little, "pixel masks assume a little-endian host");

namespace render {

// PixelMask[g] has byte i set to 0xFF where bit 7 - i of g is 1.
constexpr std::array<uint64_t, 256> PixelMask = [] {
    std::array<uint64_t, 256> table{};
    for (int g = 0; g < 256; g++)
        for (int i = 0; i < 8; i++)
            if (g & (0x80 >> i))
                table[g] |= uint64_t{0xFF} << (8 * i);
    return table;
}();

inline uint64_t Splat(uint8_t colour) { return colour * 0x0101010101010101ull; }

// Bit pixels: set bits in one colour, clear bits in the other.
inline uint64_t BitPixels(uint8_t pattern, uint8_t set, uint8_t clear)
{
    const uint64_t mask = PixelMask[pattern];
    return (Splat(set) & mask) | (Splat(clear) & ~mask);
}

// Pair pixels: each two bits choose one of four colours for two pixels.
inline uint64_t PairPixels(uint8_t pattern, const uint8_t colours[4])
{
    uint64_t out = 0;
    for (int k = 0; k < 4; k++) {
        const uint64_t c = colours[(pattern >> (6 - 2 * k)) & 3];
        out |= (c * 0x0101) << (16 * k);
    }
    return out;
}

enum class WindowMode : uint8_t { Text, ExtendedColour, HiresBitmap, MulticolourText, MulticolourBitmap, Invalid };

// Mode from 0xFF06 bit 5 (bitmap), bit 6 (extended colour) and 0xFF07 bit 4
// (multicolour), indexed by bit5 | bit6 << 1 | multicolour << 2.
constexpr WindowMode ModeTable[8] = {
    WindowMode::Text, WindowMode::HiresBitmap, WindowMode::ExtendedColour, WindowMode::HiresBitmap,
    WindowMode::MulticolourText, WindowMode::MulticolourBitmap, WindowMode::Invalid, WindowMode::MulticolourBitmap,
};

inline WindowMode ModeOf(uint8_t ff06, uint8_t ff07)
{
    return ModeTable[((ff06 >> 5) & 3) | ((ff07 >> 2) & 4)];
}

inline const uint8_t* GlyphImage(uint8_t glyphRom)
{
    return glyphRom == 0 ? Ram64 : glyphRom == 1 ? BasicRom : KernalRom;
}

// Glyph line of character c.  The address wraps inside the 64 KiB space
// or the 16 KiB image, so unusual character bases never read past either.
inline uint8_t GlyphByte(const LineLatches& l, const uint8_t* image, unsigned c)
{
    return image[static_cast<uint16_t>(l.gl + 8 * c) & l.glyphMask];
}

inline uint8_t MatrixByte(uint16_t address) { return Ram64[address]; }

// A cell's character code (or bitmap colours) and attribute byte: from the
// row's fetched copies in the measured model, from RAM in the older one.
inline uint8_t CodeAt(const LineLatches& l, unsigned col)
{
    return l.buffered ? Ted.RowCodes[col] : MatrixByte(static_cast<uint16_t>(l.cp + col));
}

inline uint8_t AttributeAt(const LineLatches& l, unsigned col)
{
    return l.buffered ? Ted.RowAttributes[col] : MatrixByte(static_cast<uint16_t>(l.ap + col));
}

inline uint64_t TextChunk(const LineLatches& l, const uint8_t* image, unsigned col, uint8_t ff07)
{
    const uint8_t c = CodeAt(l, col);
    const uint8_t a = AttributeAt(l, col);
    const bool hidden = (a & 0x80) && Ted.FlashPhase == 0;   // flashing, off phase
    if ((c & 0x80) && !(ff07 & ted::Ctrl2Characters256)) {
        // Reverse character: the glyph's set bits in the background.
        return BitPixels(GlyphByte(l, image, c & 0x7F), hidden ? a : l.bg0, a);
    }
    return BitPixels(GlyphByte(l, image, c), hidden ? l.bg0 : a, l.bg0);
}

inline uint64_t ExtendedColourChunk(const LineLatches& l, const uint8_t* image, unsigned col)
{
    const uint8_t c = CodeAt(l, col);
    const uint8_t a = AttributeAt(l, col);
    // The top two bits of the code pick one of the four live background registers.
    const uint8_t background = Ram64[ted::Background0 + (c >> 6)];
    const bool hidden = (a & 0x80) && Ted.FlashPhase == 0;
    return BitPixels(GlyphByte(l, image, c & 0x3F), hidden ? background : a, background);
}

inline uint64_t MulticolourTextChunk(const LineLatches& l, const uint8_t* image, unsigned col, uint8_t ff07,
                                     bool reduceCode)
{
    uint8_t c = CodeAt(l, col);
    const uint8_t a = AttributeAt(l, col);
    if (reduceCode && !(ff07 & ted::Ctrl2Characters256))
        c &= 0x7F;
    const uint8_t g = GlyphByte(l, image, c);
    if (!(a & 0x08))
        return BitPixels(g, a, l.bg0);   // a hires cell: no flash, no reverse
    const uint8_t colours[4] = {l.bg0, l.bg1, l.bg2, static_cast<uint8_t>(a & 0x77)};
    return PairPixels(g, colours);
}

struct BitmapCell {
    uint8_t pattern, one, zero;
};

// The bitmap row and its line come from the line set-up: the older model
// follows the raster (the vertical scroll does not move them), the measured
// one the TED's character position and sub-row counter.  The colours come
// from the matrix (s) and the attribute byte below it (t).
inline BitmapCell BitmapCellAt(const LineLatches& l, unsigned col)
{
    const uint8_t pattern = Ram64[static_cast<uint16_t>(l.bitmapRowBase + 8 * col + l.lineInRow)];
    const uint16_t colourAddress = static_cast<uint16_t>(l.colourRowBase + col);
    const uint8_t s = l.buffered ? Ted.RowCodes[col] : Ram64[colourAddress];
    const uint8_t t = l.buffered ? Ted.RowAttributes[col] : Ram64[static_cast<uint16_t>(colourAddress - 0x400)];
    return {pattern, static_cast<uint8_t>(((t & 0x0F) << 4) | (s >> 4)), static_cast<uint8_t>((t & 0xF0) | (s & 0x0F))};
}

inline uint64_t HiresBitmapChunk(const LineLatches& l, unsigned col)
{
    const BitmapCell cell = BitmapCellAt(l, col);
    return BitPixels(cell.pattern, cell.one, cell.zero);
}

inline uint64_t MulticolourBitmapChunk(const LineLatches& l, unsigned col)
{
    const BitmapCell cell = BitmapCellAt(l, col);
    const uint8_t colours[4] = {l.bg0, cell.one, cell.zero, l.bg1};
    return PairPixels(cell.pattern, colours);
}

}  // namespace render
