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
    uint64_t pixels = 0;
    const uint8_t* image = FetchImage(l.glyphRom);
    if (!displayOn) {
        pixels = Splat(l.border);
    } else {
        switch (ModeOf(ff06, ff07)) {
        case WindowMode::Text:
            pixels = TextChunk(l, image, 0, ff07);   // no matrix wrap here
            break;
        case WindowMode::ExtendedColour:
            pixels = ExtendedColourChunk(l, image, 0);
            break;
        case WindowMode::MulticolourText:
            pixels = MulticolourTextChunk(l, image, 0, ff07, false);
            break;
        case WindowMode::HiresBitmap:
            pixels = HiresBitmapChunk(l, 0);
            break;
        case WindowMode::MulticolourBitmap:
            pixels = MulticolourBitmapChunk(l, 0);
            break;
        case WindowMode::Invalid:
            pixels = 0;   // black, as the window chunks of this mode
            break;
        }
    }
    uint8_t bytes[8];
    std::memcpy(bytes, &pixels, 8);
    std::memcpy(row + 72, bytes + 8 - hs, hs);
}

// Glyph lines for text drawn from where nothing answers: the bus's last
// byte, the cell's code (render_window.h), as a glyph image of its own.
// Entry s + 8 * c (s the line in the row) is c.
constexpr std::array<uint8_t, 0x800> BusGlyphs = [] {
    std::array<uint8_t, 0x800> table{};
    for (unsigned i = 0; i < table.size(); i++)
        table[i] = static_cast<uint8_t>(i >> 3);
    return table;
}();

// Text mode, the common case, with the line's values held in locals.
void TextChunks(uint8_t* at, unsigned x, unsigned last, uint8_t ff07)
{
    LineLatches& l = Ted.Latch;
    const uint8_t* ram = Ram64;
    const uint8_t* image = FetchImage(l.glyphRom);
    const uint16_t gl = l.gl, glyphMask = l.glyphMask;
    const uint64_t background = Splat(l.bg0);
    // A flashing cell in the off phase shows no glyph: plain background, or,
    // reversed, plain ink.
    const uint8_t hiddenByFlash = Ted.FlashPhase == 0 ? 0x80 : 0;
    const uint8_t reverseBit = (ff07 & ted::Ctrl2Characters256) ? 0 : 0x80;   // 256 characters: no reverse
    const uint8_t codeMask = static_cast<uint8_t>(~reverseBit);
    const auto draw = [&](uint8_t* to, uint8_t c, uint8_t a, uint8_t glyph) {
        uint64_t mask = (a & hiddenByFlash) ? 0 : PixelMask[glyph];
        mask ^= (c & reverseBit) ? ~uint64_t{0} : 0;   // reversed: the glyph in the background
        Store8(to, background ^ ((Splat(a) ^ background) & mask));
    };
    if (l.buffered) {
        // The measured model: the row's fetched codes and attributes.
        const bool fromBus = l.glyphRom == FetchFromOpenBus;
        const uint8_t* glyphs = fromBus ? BusGlyphs.data() : image;
        const uint16_t line = fromBus ? (gl & 7) : gl;
        const uint16_t lineMask = fromBus ? 0x7FF : glyphMask;
        const uint8_t glyphCode = fromBus ? 0xFF : codeMask;   // the whole code is on the bus
        uint8_t* out = at + 2 * x;
        for (unsigned col = x / 4 - 8; col <= last / 4 - 8; col++, out += 8) {
            const uint8_t c = Ted.RowCodes[col];
            draw(out, c, Ted.RowAttributes[col], glyphs[static_cast<uint16_t>(line + 8 * (c & glyphCode)) & lineMask]);
        }
        return;
    }
    // The older model reads the matrix from RAM, which repeats every 16 KiB
    // on the C16: ramMask keeps the reads inside the 16 KiB at 0x0000.
    const uint16_t ramMask = RamAddressMask;
    uint16_t cp = l.cp, ap = l.ap;
    // The video matrix is 1 KiB: a row past its end continues at its start,
    // from the column where the row crosses the end.
    unsigned wrapColumn = l.matrixWrapped ? 40 : 0x400 - std::min<unsigned>(static_cast<uint16_t>(cp - l.mb), 0x400);
    unsigned col = x / 4 - 8;
    const unsigned lastCol = last / 4 - 8;
    uint8_t* out = at + 2 * x;
    while (col <= lastCol) {
        if (col >= wrapColumn) {
            cp = static_cast<uint16_t>(cp - 0x400);
            ap = static_cast<uint16_t>(ap - 0x400);
            wrapColumn = 40;
            l.matrixWrapped = 1;
        }
        const unsigned end = std::min(lastCol, wrapColumn - 1);
        if ((cp & ramMask) + end <= ramMask && (ap & ramMask) + end <= ramMask &&
            (gl & glyphMask) + 0x7FFu <= glyphMask) {
            // Nothing wraps at the end of the RAM or the image.
            const uint8_t* chars = ram + (cp & ramMask);
            const uint8_t* attributes = ram + (ap & ramMask);
            const uint8_t* glyphs = image + (gl & glyphMask);
            for (; col <= end; col++, out += 8) {
                const uint8_t c = chars[col];
                draw(out, c, attributes[col], glyphs[8 * (c & codeMask)]);
            }
        } else {
            for (; col <= end; col++, out += 8) {
                const uint8_t c = ram[(cp + col) & ramMask];
                draw(out, c, ram[(ap + col) & ramMask],
                     image[static_cast<uint16_t>(gl + 8 * (c & codeMask)) & glyphMask]);
            }
        }
    }
    l.cp = cp;
    l.ap = ap;
}

// Window chunks x to last (inclusive, steps of 4) of a window line, stored
// hs pixels to the right.  No CPU step happens inside one RenderStep, so
// the mode registers read once hold for every chunk of the call.
void WindowChunks(uint8_t* row, unsigned x, unsigned last, uint8_t ff06, uint8_t ff07)
{
    LineLatches& l = Ted.Latch;
    uint8_t* at = row + l.hs;
    const uint8_t* image = FetchImage(l.glyphRom);
    switch (ModeOf(ff06, ff07)) {
    case WindowMode::Text:
        TextChunks(at, x, last, ff07);
        break;
    case WindowMode::ExtendedColour:
        for (; x <= last; x += 4)
            Store8(at + 2 * x, ExtendedColourChunk(l, image, x / 4 - 8));
        break;
    case WindowMode::HiresBitmap:
        for (; x <= last; x += 4)
            Store8(at + 2 * x, HiresBitmapChunk(l, x / 4 - 8));
        break;
    case WindowMode::MulticolourText:
        for (; x <= last; x += 4)
            Store8(at + 2 * x, MulticolourTextChunk(l, image, x / 4 - 8, ff07, true));
        break;
    case WindowMode::MulticolourBitmap:
        for (; x <= last; x += 4)
            Store8(at + 2 * x, MulticolourBitmapChunk(l, x / 4 - 8));
        break;
    case WindowMode::Invalid:
        // Extended colour with multicolour text: black, as on the TED.
        for (; x <= last; x += 4)
            Store8(at + 2 * x, 0);
        break;
    }
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
        TextChunks(FrameBuffer + LineOffsetTable[line] + Ted.Latch.hs, first, last, ff07);
        return;
    }
    DrawChunks(first, last, hidden);
}

}  // namespace

void FlushRender()
{
    const unsigned line = Ted.PendingLine;
    if (line == TedState::NoPendingLine)
        return;
    Ted.PendingLine = TedState::NoPendingLine;
    if (Ram64)
        DrawRun(line, Ted.PendingFirst, Ted.PendingNext - 4u);
}

void StartRenderRun(unsigned line, unsigned first, unsigned last)
{
    FlushRender();
    RefreshVideoWatch();
    Ted.PendingLine = static_cast<uint16_t>(line);
    Ted.PendingFirst = static_cast<uint16_t>(first);
    Ted.PendingNext = static_cast<uint16_t>(last + 4);
}

void RenderAtFrameEnd()
{
    FlushRender();
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
