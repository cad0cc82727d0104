// The renderer: after every main-loop pass, the 8-pixel chunks of the
// current raster line that the beam has passed are drawn into FrameBuffer.
#include <algorithm>
#include <array>
#include <cstring>

#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "ted/render_inline.h"
#include "ted/render_window.h"
#include "ted/video_watch.h"
#include "ted/ted_names.h"

using namespace render;

namespace {

constexpr uint32_t FrameBufferSize = FrameLines * FrameWidth;

// What each screen mode never shows, so the renderer need not draw it:
// whole lines before `top` or from `bottom` on, and on window lines the
// chunks left of `left` and right of `right` (LinePosition units).
struct HiddenArea {
    uint16_t top, bottom, left, right;
};
constexpr HiddenArea NothingHidden = {0, 312, 0, 228};
constexpr HiddenArea HiddenByScreenMode[7] = {
    {56, 256, 32, 188},   // 0: 320 x 200, the display window only
    {6, 306, 12, 212},    // 1: 400 x 300
    NothingHidden,        // 2: 512 x 384, the whole frame
    {36, 276, 32, 188},   // 3: 320 x 240
    NothingHidden,        // 4: 640 x 480, the whole frame
    {56, 256, 32, 188},   // 5: 640 x 400, the window doubled
    {6, 306, 12, 212},    // 6: 800 x 600 with scan lines
};

inline const HiddenArea& Hidden()
{
    return Config.ScreenMode < 7 ? HiddenByScreenMode[Config.ScreenMode] : NothingHidden;
}

// The renderer's form of PutPixels8 for chunks that lie inside their line.
inline void Store8(uint8_t* at, uint64_t pixels) { std::memcpy(at, &pixels, 8); }

// A border chunk moved right by the scroll spills into the first pixels of
// the next line; the last line's spill goes to the first line.
void StoreSpilling(uint32_t offset, uint64_t pixels)
{
    if (offset <= FrameBufferSize - 8) {
        Store8(FrameBuffer + offset, pixels);
        return;
    }
    uint8_t bytes[8];
    std::memcpy(bytes, &pixels, 8);
    PutPixels8(FrameBuffer, offset, bytes);
    if (offset > FrameBufferSize - 8) {
        const uint32_t inside = FrameBufferSize - offset;
        std::memcpy(FrameBuffer, bytes + inside, 8 - inside);
    }
}

// The bytes a run of window cells is drawn from.  codes[col] and
// attributes[col] are the two video matrix bytes of each cell (in the
// bitmap modes its colours); lines[8 * n] is this line's byte of glyph n
// (text modes) or of cell n (bitmap modes).  They point straight into RAM,
// a ROM image or the row's fetched copies, except where the matrix, the
// glyphs or the bitmap run past the end of the RAM or the image (or, in
// text mode, the row past the end of the 1 KiB matrix), or where nothing
// answers the bitmap fetches: then the bytes are gathered into the copies
// first.
struct CellBytes {
    const uint8_t* codes;
    const uint8_t* attributes;
    const uint8_t* lines;
    uint8_t codeCopy[40], attributeCopy[40];
    uint8_t lineCopy[8 * 256];
};

// The matrix bytes of columns c0 to c1 at codes and attributes, each
// address inside the RAM (which repeats every 16 KiB on the C16); columns
// from wrapColumn on come from 1 KiB lower.
void MatrixBytes(CellBytes& b, uint16_t codes, uint16_t attributes, unsigned c0, unsigned c1,
                 unsigned wrapColumn = 40)
{
    const unsigned ramMask = RamAddressMask;
    const bool allWrapped = c0 >= wrapColumn;
    const unsigned base = (codes - (allWrapped ? 0x400u : 0u)) & ramMask;
    const unsigned attributeBase = (attributes - (allWrapped ? 0x400u : 0u)) & ramMask;
    if ((allWrapped || c1 < wrapColumn) && base + c1 <= ramMask && attributeBase + c1 <= ramMask) {
        b.codes = Ram64 + base;
        b.attributes = Ram64 + attributeBase;
        return;
    }
    for (unsigned col = c0; col <= c1; col++) {
        const unsigned back = col >= wrapColumn ? 0x400 : 0;
        b.codeCopy[col] = Ram64[(codes + col - back) & ramMask];
        b.attributeCopy[col] = Ram64[(attributes + col - back) & ramMask];
    }
    b.codes = b.codeCopy;
    b.attributes = b.attributeCopy;
}

// Glyph lines for text drawn from where nothing answers: the bus's last
// byte, the cell's whole code (render_window.h), as a glyph image of its
// own.  Entry s + 8 * c (s the line in the row) is c.
constexpr std::array<uint8_t, 0x800> BusGlyphs = [] {
    std::array<uint8_t, 0x800> table{};
    for (unsigned i = 0; i < table.size(); i++)
        table[i] = static_cast<uint8_t>(i >> 3);
    return table;
}();

// This line of every glyph of the character generator.
void GlyphLines(CellBytes& b, const LineLatches& l)
{
    if (l.glyphRom == FetchFromOpenBus) {
        b.lines = BusGlyphs.data();
        return;
    }
    const uint8_t* image = FetchImage(l.glyphRom);
    const unsigned start = l.gl & l.glyphMask;
    if (start + 8 * 255 <= l.glyphMask) {
        b.lines = image + start;
        return;
    }
    for (unsigned n = 0; n < 256; n++)
        b.lineCopy[8 * n] = image[static_cast<uint16_t>(l.gl + 8 * n) & l.glyphMask];
    b.lines = b.lineCopy;
}

// This line of the bitmap cells c0 to c1 (b.codes already set: where
// nothing answers, a cell's bitmap byte is its matrix byte).
void BitmapLines(CellBytes& b, const LineLatches& l, unsigned c0, unsigned c1)
{
    const uint16_t first = static_cast<uint16_t>(l.bitmapRowBase + l.lineInRow);
    if (l.bitmapSource == FetchFromOpenBus) {
        for (unsigned col = c0; col <= c1; col++)
            b.lineCopy[8 * col] = b.codes[col];
        b.lines = b.lineCopy;
        return;
    }
    const uint8_t* image = FetchImage(l.bitmapSource);
    const unsigned start = first & l.bitmapMask;
    if (start + 8 * c1 <= l.bitmapMask) {
        b.lines = image + start;
        return;
    }
    for (unsigned col = c0; col <= c1; col++)
        b.lineCopy[8 * col] = image[static_cast<uint16_t>(first + 8 * col) & l.bitmapMask];
    b.lines = b.lineCopy;
}

// The cells of one run in each mode: n cells from the run's first, whose
// bytes start at codes, attributes and lines (lines[8 * i]: cell i's, or
// for the text modes lines[8 * code]), stored one after the other.
inline void Store(uint8_t*& out, uint64_t pixels)
{
    std::memcpy(out, &pixels, 8);
    out += 8;
}

// In the flash's off phase (FlashOff) a flashing cell shows no glyph; with
// 128 characters (Reverse) the code's top bit reverses the cell: the glyph
// in the background.  codeMask: the code's bits that pick the glyph.  One
// form for each, so that the common cases test nothing they need not.
template <bool FlashOff, bool Reverse>
void TextCells(uint8_t* out, const uint8_t* codes, const uint8_t* attributes, const uint8_t* lines, unsigned n,
               uint64_t background, uint8_t codeMask)
{
    for (unsigned i = 0; i < n; i++) {
        const uint8_t c = codes[i], a = attributes[i];
        uint64_t mask = PixelMask[lines[8u * (c & codeMask)]];
        if constexpr (FlashOff)
            mask &= ~TopBitMask(a);
        if constexpr (Reverse)
            mask ^= TopBitMask(c);
        Store(out, Blend(mask, Splat(a), background));
    }
}

using TextCellsForm = void (*)(uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, unsigned, uint64_t, uint8_t);
constexpr TextCellsForm TextCellsForms[2][2] = {{TextCells<false, false>, TextCells<false, true>},
                                                {TextCells<true, false>, TextCells<true, true>}};

// The top two bits of the code pick one of the four live background registers.
void ExtendedColourCells(uint8_t* out, const uint8_t* codes, const uint8_t* attributes, const uint8_t* lines,
                         unsigned n, uint8_t flashOff, uint8_t codeMask)
{
    const uint64_t backgrounds[4] = {Splat(Ram64[ted::Background0]), Splat(Ram64[ted::Background1]),
                                     Splat(Ram64[ted::Background2]), Splat(Ram64[ted::Background3])};
    for (unsigned i = 0; i < n; i++) {
        const uint8_t c = codes[i], a = attributes[i];
        const uint64_t mask = PixelMask[lines[8u * (c & codeMask)]] & ~TopBitMask(a & flashOff);
        Store(out, Blend(mask, Splat(a), backgrounds[c >> 6]));
    }
}

// A cell with attribute bit 3 clear is a hires one, without flash or reverse.
void MulticolourTextCells(uint8_t* out, const uint8_t* codes, const uint8_t* attributes, const uint8_t* lines,
                          unsigned n, const LineLatches& l, uint8_t codeMask)
{
    const uint64_t bg0 = Splat(l.bg0), bg1 = Splat(l.bg1), bg2 = Splat(l.bg2);
    for (unsigned i = 0; i < n; i++) {
        const uint8_t a = attributes[i];
        const uint8_t g = lines[8u * (codes[i] & codeMask)];
        const uint64_t hires = BitPixels(g, Splat(a), bg0);
        const uint64_t multicolour = PairPixels(g, bg0, bg1, bg2, Splat(a & 0x77));
        Store(out, Blend(MaskIf(a & 0x08), multicolour, hires));
    }
}

// A bitmap cell's two colours come from the matrix (s) and the attribute
// byte below it (t): set bits ((t & 0x0F) << 4) | (s >> 4), clear bits
// (t & 0xF0) | (s & 0x0F).  The tables hold each byte's part of both,
// splatted (a table each, indexed straight by the byte), so that a cell's
// colours are two loads and an or each.
using ColourParts = std::array<uint64_t, 256>;
constexpr ColourParts PartsOf(unsigned (*part)(unsigned byte))
{
    ColourParts table{};
    for (unsigned b = 0; b < 256; b++)
        table[b] = Splat(static_cast<uint8_t>(part(b)));
    return table;
}
constexpr ColourParts MatrixSetPart = PartsOf([](unsigned s) { return s >> 4; });
constexpr ColourParts MatrixClearPart = PartsOf([](unsigned s) { return s & 0x0F; });
constexpr ColourParts AttributeSetPart = PartsOf([](unsigned t) { return (t & 0x0F) << 4; });
constexpr ColourParts AttributeClearPart = PartsOf([](unsigned t) { return t & 0xF0; });

template <bool Multicolour>
void BitmapCells(uint8_t* out, const uint8_t* codes, const uint8_t* attributes, const uint8_t* lines, unsigned n,
                 const LineLatches& l)
{
    const uint64_t bg0 = Splat(l.bg0), bg1 = Splat(l.bg1);
    for (unsigned i = 0; i < n; i++) {
        const uint8_t s = codes[i], t = attributes[i];
        const uint64_t one = MatrixSetPart[s] | AttributeSetPart[t], zero = MatrixClearPart[s] | AttributeClearPart[t];
        Store(out, Multicolour ? PairPixels(lines[8u * i], bg0, one, zero, bg1) : BitPixels(lines[8u * i], one, zero));
    }
}

// Cells c0 to c1 of the current line in the window mode of ff06 and ff07,
// stored one after the other from out.  The left-edge cell under the
// border (edgeCell) is column 0 as it stands: no matrix wrap, and its
// multicolour code keeps its top bit, which the window's cells take off
// with 128 characters.
void DrawCells(uint8_t* out, unsigned c0, unsigned c1, uint8_t ff06, uint8_t ff07, bool edgeCell)
{
    LineLatches& l = Ted.Latch;
    CellBytes b;
    const WindowMode mode = ModeOf(ff06, ff07);
    const bool bitmap = mode == WindowMode::HiresBitmap || mode == WindowMode::MulticolourBitmap;
    if (l.buffered) {
        b.codes = Ted.RowCodes;
        b.attributes = Ted.RowAttributes;
    } else if (bitmap) {
        MatrixBytes(b, l.colourRowBase, static_cast<uint16_t>(l.colourRowBase - 0x400), c0, c1);
    } else {
        // The video matrix is 1 KiB: a text row past its end continues at
        // its start, from the column where the row crosses the end; once a
        // run has crossed it, the line's later cells in every text mode
        // come from 1 KiB lower.
        unsigned wrapColumn = l.matrixWrapped ? 0 : 40;
        if (mode == WindowMode::Text && !edgeCell && !l.matrixWrapped) {
            wrapColumn = 0x400 - std::min<unsigned>(static_cast<uint16_t>(l.cp - l.mb), 0x400);
            l.matrixWrapped = c1 >= wrapColumn;
        }
        MatrixBytes(b, l.cp, l.ap, c0, c1, wrapColumn);
    }
    if (bitmap)
        BitmapLines(b, l, c0, c1);
    else
        GlyphLines(b, l);

    const uint8_t* codes = b.codes + c0;
    const uint8_t* attributes = b.attributes + c0;
    const unsigned n = c1 - c0 + 1;
    const uint8_t flashOff = Ted.FlashPhase == 0 ? 0x80 : 0;
    const bool characters256 = ff07 & ted::Ctrl2Characters256;
    const uint8_t reverseBit = characters256 ? 0 : 0x80;
    // Where nothing answers the glyph fetches, the whole code is on the bus.
    const uint8_t wholeCode = l.glyphRom == FetchFromOpenBus ? 0xFF : 0;
    switch (mode) {
    case WindowMode::Text:
        TextCellsForms[flashOff != 0][reverseBit != 0](out, codes, attributes, b.lines, n, Splat(l.bg0),
                                                        static_cast<uint8_t>(~reverseBit | wholeCode));
        break;
    case WindowMode::ExtendedColour:
        ExtendedColourCells(out, codes, attributes, b.lines, n, flashOff, static_cast<uint8_t>(0x3F | wholeCode));
        break;
    case WindowMode::MulticolourText:
        MulticolourTextCells(out, codes, attributes, b.lines, n, l,
                             static_cast<uint8_t>((!edgeCell && !characters256 ? 0x7F : 0xFF) | wholeCode));
        break;
    case WindowMode::HiresBitmap:
        BitmapCells<false>(out, codes, attributes, b.lines + 8 * c0, n, l);
        break;
    case WindowMode::MulticolourBitmap:
        BitmapCells<true>(out, codes, attributes, b.lines + 8 * c0, n, l);
        break;
    case WindowMode::Invalid:
        // Extended colour with multicolour text: black, as on the TED.
        std::memset(out, 0, 8 * n);
        break;
    }
}

// The pixels between the window's left edge and the first window chunk,
// which the horizontal scroll moves right by hs.
void LeftEdgeFill(uint8_t* row, uint8_t ff06, uint8_t ff07)
{
    const LineLatches& l = Ted.Latch;
    const unsigned hs = l.hs;
    if (hs == 0)
        return;
    const bool displayOn = ff06 & ted::Ctrl1DisplayOn;
    if (Ted.WindowLeft == 32) {
        // 40 columns: the gap shows the background colour.
        std::memset(row + 64, displayOn ? l.bg0 : l.border, hs);
        return;
    }
    // 38 columns: the gap shows the right part of column 0, which lies
    // under the border, in every mode; otherwise the gap would keep the
    // previous frame's pixels.
    uint8_t pixels[8];
    if (displayOn)
        DrawCells(pixels, 0, 0, ff06, ff07, true);
    else
        std::memset(pixels, l.border, 8);
    std::memcpy(row + 72, pixels + 8 - hs, hs);
}

// Window chunks x to last (inclusive, steps of 4) of a window line, stored
// hs pixels to the right.  No CPU step happens inside one call, so the
// mode registers read once hold for every chunk of it.
void WindowChunks(uint8_t* row, unsigned x, unsigned last, uint8_t ff06, uint8_t ff07)
{
    DrawCells(row + Ted.Latch.hs + 2 * x, x / 4 - 8, last / 4 - 8, ff06, ff07, false);
}

// Chunks x to last (inclusive, steps of 4) of the current line.  Out of
// line, to keep RenderStep's own path short.
// The chunks x, x + 4, ... up to lastX (inclusive) in one colour: 8 pixels
// each, one after the other.
void FillChunks(uint8_t* at, unsigned x, unsigned lastX, uint8_t colour)
{
    const unsigned chunks = (lastX - x) / 4 + 1;
    std::memset(at + 2 * x, colour, 8 * chunks);
}

// The last of the chunks x, x + 4, ... that is not beyond limit (x <= limit).
inline unsigned LastChunkUpTo(unsigned x, unsigned limit) { return x + (limit - x) / 4 * 4; }

[[gnu::noinline]] void DrawChunks(unsigned x, unsigned last, const HiddenArea& hidden)
{
    const unsigned line = Ted.RasterLine;
    const uint32_t lineStart = LineOffsetTable[line];
    uint8_t* row = FrameBuffer + lineStart;
    const uint8_t border = Ted.Latch.border;

    if (line < Ted.WindowTop || line >= Ted.WindowBottom) {
        // Moved right by the scroll, the last line's run may spill past the
        // buffer's end; such a run goes chunk by chunk.
        if (lineStart + 2 * last + Ted.Latch.hs + 8 <= FrameBufferSize) {
            FillChunks(row + Ted.Latch.hs, x, last, border);
            return;
        }
        for (; x <= last; x += 4)
            StoreSpilling(lineStart + 2 * x + Ted.Latch.hs, Splat(border));
        return;
    }
    const uint8_t ff06 = Ram64[ted::Control1];
    const uint8_t ff07 = Ram64[ted::Control2];
    const unsigned left = Ted.WindowLeft, right = Ted.WindowRight;

    if (x < left && x <= last) {
        const unsigned lastLeft = LastChunkUpTo(x, std::min(last, left - 1));
        // The part of the border the screen mode shows.
        const unsigned firstShown = x >= hidden.left ? x : x + (hidden.left - x + 3) / 4 * 4;
        if (firstShown <= lastLeft)
            FillChunks(row, firstShown, lastLeft, border);
        if (lastLeft + 4 == left)
            LeftEdgeFill(row, ff06, ff07);
        x = lastLeft + 4;
    }
    const unsigned windowLast = std::min(last, right - 4);
    if (x <= windowLast) {
        if ((ff06 & ted::Ctrl1DisplayOn) && Ted.Latch.idle)
            FillChunks(row + Ted.Latch.hs, x, windowLast, Ted.Latch.bg0);   // no row fetched: background
        else if (ff06 & ted::Ctrl1DisplayOn)
            WindowChunks(row, x, windowLast, ff06, ff07);
        else
            FillChunks(row + Ted.Latch.hs, x, windowLast, border);   // display disabled: border
        x = windowLast + 4;
    }
    if (x <= last && x <= hidden.right)
        FillChunks(row, x, LastChunkUpTo(x, std::min(last, static_cast<unsigned>(hidden.right))), border);
}

}  // namespace

void FillPixels8(uint8_t* destination, uint8_t colour)
{
    std::memset(destination, colour, 8);
}

void PutPixels8(uint8_t* frameBuffer, uint32_t offset, const uint8_t pixels[8])
{
    if (offset <= FrameBufferSize - 8)
        std::memcpy(frameBuffer + offset, pixels, 8);
    else if (offset < FrameBufferSize)
        std::memcpy(frameBuffer + offset, pixels, FrameBufferSize - offset);
}

namespace {

// Draws chunks first to last (inclusive) of the given line, which is the
// current raster line, from the state as it stands.
void DrawRun(unsigned line, unsigned first, unsigned last)
{
    const HiddenArea& hidden = Hidden();
    if (line < hidden.top || line >= hidden.bottom)
        return;   // a line the screen mode never shows

    // The common case first: text-mode chunks inside the window.
    using namespace ted;
    const uint8_t ff06 = Ram64[Control1];
    const uint8_t ff07 = Ram64[Control2];
    if ((ff06 & (Ctrl1DisplayOn | Ctrl1Bitmap | Ctrl1ExtendedColour)) == Ctrl1DisplayOn && !(ff07 & Ctrl2Multicolour) && !Ted.Latch.idle && first >= Ted.WindowLeft && last < Ted.WindowRight &&
        line >= Ted.WindowTop && line < Ted.WindowBottom) {
        WindowChunks(FrameBuffer + LineOffsetTable[line], first, last, ff06, ff07);
        return;
    }
    DrawChunks(first, last, hidden);
}

}  // namespace

// What scrolls leave: the pixels of a line left of its first chunk are
// drawn only by the line before (a border chunk moved right by the scroll
// reaches into the next line) or by the first chunk in a frame with less
// scroll, so they can keep pixels from frames ago.  A frame nobody looks
// at draws those two chunks of each line, as they are when the beam
// passes them (nothing they show changes before they would be drawn), so
// that a frame looked at later finds those pixels as they would be.
// What DrawRun draws of such a chunk, in short: border, moved by the
// scroll on a border line, where the screen mode draws it.
void DrawEdgeChunk(unsigned chunk)
{
    const unsigned line = Ted.RasterLine;
    const HiddenArea& hidden = Hidden();
    if (line < hidden.top || line >= hidden.bottom)
        return;
    const uint64_t border = Splat(Ted.Latch.border);
    uint32_t offset = LineOffsetTable[line] + 2 * chunk;
    if (line < Ted.WindowTop || line >= Ted.WindowBottom) {
        offset += Ted.Latch.hs;
        if (offset > FrameBufferSize - 8) [[unlikely]] {
            StoreSpilling(offset, border);
            return;
        }
    } else if (chunk < hidden.left || chunk > hidden.right) {
        return;
    }
    Store8(FrameBuffer + offset, border);
}

namespace {

void DrawPendingRun()
{
    const unsigned line = Ted.PendingLine;
    if (line == TedState::NoPendingLine)
        return;
    Ted.PendingLine = TedState::NoPendingLine;
    if (Ram64)
        DrawRun(line, Ted.PendingFirst, Ted.PendingNext - 4u);
}

}  // namespace

void FlushRender()
{
    // The measured model's run reaches to the beam without a step after
    // every instruction.
    if (Ted.ModelInUse == 1 && Ram64)
        RenderUpTo(Ted.LinePosition);
    DrawPendingRun();
}

void StartRenderRun(unsigned line, unsigned first, unsigned last)
{
    DrawPendingRun();
    RefreshVideoWatch();
    Ted.PendingLine = static_cast<uint16_t>(line);
    Ted.PendingFirst = static_cast<uint16_t>(first);
    Ted.PendingNext = static_cast<uint16_t>(last + 4);
}

void RenderAtFrameEnd()
{
    // What the beam has passed of the new frame's first line is not part
    // of the frame that ends.
    DrawPendingRun();
    if (Ted.FrameEndArmed) {
        // The frame's outputs (and a test's or the runner's look at the
        // machine) see the timers as they stand.
        SettleDeferredSteps();
        PresentFrame();
        SettleDeferredSteps();
    }
    if (Ted.FrameCountArmed) {
        Ted.FrameCountArmed = 0;
        Ted.FramesCompleted++;
        // The stack, written straight into RAM, reaches the C16's image of
        // its 16 KiB here (machine_model.h).
        RefreshRamImage();
    }
}

void RenderStep()
{
    RenderStepInline();
    FlushRender();
}
