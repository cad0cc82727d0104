// The eight pixels of one window chunk in each of the TED's display modes,
// built as one 64-bit value: byte i (in memory order) is pixel i, left to
// right.  Used only by the renderer.
#pragma once
#include <array>
#include <bit>
#include <cstdint>

#include "machine/machine_model.h"
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

// The memory behind a fetch source (RAM also for the open bus, which
// reads none).
inline const uint8_t* FetchImage(uint8_t source)
{
    return source == FetchFromBasicRom ? BasicRom : source == FetchFromKernalRom ? KernalRom : Ram64;
}

// Glyph line of character c, for a cell whose fetched code is code.  The
// address wraps inside the RAM or the 16 KiB image, so unusual character
// bases never read past either.  Where nothing answers, the bus still
// holds the last byte the TED took for the cell: its code.
inline uint8_t GlyphByte(const LineLatches& l, const uint8_t* image, unsigned c, uint8_t code)
{
    if (l.glyphRom == FetchFromOpenBus) [[unlikely]]
        return code;
    return image[static_cast<uint16_t>(l.gl + 8 * c) & l.glyphMask];
}

inline uint8_t MatrixByte(uint16_t address) { return Ram64[RamAddress(address)]; }

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
        return BitPixels(GlyphByte(l, image, c & 0x7F, c), hidden ? a : l.bg0, a);
    }
    return BitPixels(GlyphByte(l, image, c, c), hidden ? l.bg0 : a, l.bg0);
}

inline uint64_t ExtendedColourChunk(const LineLatches& l, const uint8_t* image, unsigned col)
{
    const uint8_t c = CodeAt(l, col);
    const uint8_t a = AttributeAt(l, col);
    // The top two bits of the code pick one of the four live background registers.
    const uint8_t background = Ram64[ted::Background0 + (c >> 6)];
    const bool hidden = (a & 0x80) && Ted.FlashPhase == 0;
    return BitPixels(GlyphByte(l, image, c & 0x3F, c), hidden ? background : a, background);
}

inline uint64_t MulticolourTextChunk(const LineLatches& l, const uint8_t* image, unsigned col, uint8_t ff07,
                                     bool reduceCode)
{
    const uint8_t code = CodeAt(l, col);
    const uint8_t a = AttributeAt(l, col);
    const uint8_t c = reduceCode && !(ff07 & ted::Ctrl2Characters256) ? code & 0x7F : code;
    const uint8_t g = GlyphByte(l, image, c, code);
    if (!(a & 0x08))
        return BitPixels(g, a, l.bg0);   // a hires cell: no flash, no reverse
    const uint8_t colours[4] = {l.bg0, l.bg1, l.bg2, static_cast<uint8_t>(a & 0x77)};
    return PairPixels(g, colours);
}

struct BitmapCell {
    uint8_t pattern, one, zero;
};

// A cell's bitmap byte, for a cell whose matrix byte is code: where nothing
// answers, the last byte the TED took for the cell, as for glyphs.
inline uint8_t BitmapPattern(const LineLatches& l, unsigned col, uint8_t code)
{
    const uint16_t address = static_cast<uint16_t>(l.bitmapRowBase + 8 * col + l.lineInRow);
    if (l.bitmapSource == FetchFromRam) [[likely]]
        return Ram64[address & l.bitmapMask];
    if (l.bitmapSource == FetchFromOpenBus)
        return code;
    return FetchImage(l.bitmapSource)[address & l.bitmapMask];
}

// The bitmap row and its line come from the line set-up: the older model
// follows the raster (the vertical scroll does not move them), the measured
// one the TED's character position and sub-row counter.  The colours come
// from the matrix (s) and the attribute byte below it (t).
inline BitmapCell BitmapCellAt(const LineLatches& l, unsigned col)
{
    const uint16_t colourAddress = static_cast<uint16_t>(l.colourRowBase + col);
    const uint8_t s = l.buffered ? Ted.RowCodes[col] : MatrixByte(colourAddress);
    const uint8_t t = l.buffered ? Ted.RowAttributes[col] : MatrixByte(static_cast<uint16_t>(colourAddress - 0x400));
    const uint8_t pattern = BitmapPattern(l, col, s);
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
