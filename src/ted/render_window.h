// The eight pixels of one window cell in each of the TED's display modes,
// built as one 64-bit value: byte i (in memory order) is pixel i, left to
// right.  Whole cells, by masks: no branch per pixel or per cell.  Used
// only by the renderer.
#pragma once
#include <array>
#include <bit>
#include <cstdint>

#include "machine/machine_model.h"
#include "machine/machine_state.h"

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

constexpr uint64_t Splat(uint8_t colour) { return colour * 0x0101010101010101ull; }

// Where mask is set, a; elsewhere b.
inline uint64_t Blend(uint64_t mask, uint64_t a, uint64_t b) { return b ^ ((a ^ b) & mask); }

// All ones when the condition holds, else zero.
inline uint64_t MaskIf(bool condition) { return -static_cast<uint64_t>(condition); }

// All ones when bit 7 of the byte is set, else zero: its sign, spread.
inline uint64_t TopBitMask(uint8_t byte)
{
    return static_cast<uint64_t>(static_cast<int64_t>(static_cast<int8_t>(byte)) >> 7);
}

// Bit pixels: set bits in one colour (splatted), clear bits in the other.
inline uint64_t BitPixels(uint8_t pattern, uint64_t set, uint64_t clear)
{
    return Blend(PixelMask[pattern], set, clear);
}

// Pair pixels: each two bits choose one of four colours (splatted) for two
// pixels.  The high bits of the pairs choose between the upper and lower
// colour pairs (PairHighMask[g] has both bytes of a pair set where its high
// bit is), the low bits within them (PairLowMask[g]).
constexpr std::array<uint64_t, 256> PairMaskOf(unsigned bits)
{
    std::array<uint64_t, 256> table{};
    for (unsigned g = 0; g < 256; g++) {
        const uint64_t pairs = PixelMask[(g & bits) << (bits == 0x55 ? 1 : 0)];
        table[g] = pairs | pairs << 8;
    }
    return table;
}
constexpr std::array<uint64_t, 256> PairHighMask = PairMaskOf(0xAA), PairLowMask = PairMaskOf(0x55);

inline uint64_t PairPixels(uint8_t pattern, uint64_t c0, uint64_t c1, uint64_t c2, uint64_t c3)
{
    const uint64_t low = PairLowMask[pattern];
    return Blend(PairHighMask[pattern], Blend(low, c3, c2), Blend(low, c1, c0));
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

}  // namespace render
