// The renderer: after every main-loop pass, the 8-pixel chunks of the
// current raster line that the beam has passed are drawn into FrameBuffer.
#include <algorithm>
#include <cstring>

#include "machine/machine_state.h"
#include "machine/settings.h"
#include "ted/render_window.h"

using namespace render;

namespace {

constexpr uint32_t FrameBufferSize = FrameLines * FrameWidth;
constexpr uint16_t LineUnits = 228;

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

// A chunk moved right by the scroll spills into the first pixels of the
// next line; the last line's spill goes to the first line.
inline void StoreChunk(uint32_t offset, const uint8_t bytes[8])
{
    PutPixels8(FrameBuffer, offset, bytes);
    if (offset > FrameBufferSize - 8) {
        const uint32_t inside = FrameBufferSize - offset;
        std::memcpy(FrameBuffer, bytes + inside, 8 - inside);
    }
}

inline void StoreChunk(uint32_t offset, uint64_t pixels)
{
    uint8_t bytes[8];
    std::memcpy(bytes, &pixels, 8);
    StoreChunk(offset, bytes);
}

inline void BorderChunk(uint32_t offset)
{
    uint8_t bytes[8];
    FillPixels8(bytes, Ted.Latch.border);
    StoreChunk(offset, bytes);
}

uint64_t WindowChunk(unsigned col, uint8_t ff06, uint8_t ff07)
{
    const LineLatches& l = Ted.Latch;
    const uint8_t* image = GlyphImage(l.glyphRom);
    switch (ModeOf(ff06, ff07)) {
    case WindowMode::Text:
        // The video matrix is 1 KiB: a row past its end continues at its start.
        if (!l.matrixWrapped && static_cast<uint16_t>(l.cp - l.mb) + col >= 0x400) {
            Ted.Latch.cp = static_cast<uint16_t>(l.cp - 0x400);
            Ted.Latch.ap = static_cast<uint16_t>(l.ap - 0x400);
            Ted.Latch.matrixWrapped = 1;
        }
        return TextChunk(l, image, col, ff07);
    case WindowMode::ExtendedColour:
        return ExtendedColourChunk(l, image, col);
    case WindowMode::HiresBitmap:
        return HiresBitmapChunk(l, col);
    case WindowMode::MulticolourText:
        return MulticolourTextChunk(l, image, col, ff07, true);
    case WindowMode::MulticolourBitmap:
        return MulticolourBitmapChunk(l, col);
    case WindowMode::Invalid:
        break;
    }
    return 0;   // extended colour with multicolour text: black, as on the TED
}

// The pixels between the window's left edge and the first window chunk,
// which the horizontal scroll moves right by hs.
void LeftEdgeFill(uint32_t lineStart, uint8_t ff06, uint8_t ff07)
{
    const LineLatches& l = Ted.Latch;
    const unsigned hs = l.hs;
    if (hs == 0)
        return;
    const bool displayOn = ff06 & 0x10;
    if (Ted.WindowLeft == 32) {
        // 40 columns: the gap shows the background colour.
        std::memset(FrameBuffer + lineStart + 64, displayOn ? l.bg0 : l.border, hs);
        return;
    }
    // 38 columns: the gap shows the right part of column 0, which lies
    // under the border.  Character modes only.
    uint64_t pixels;
    const uint8_t* image = GlyphImage(l.glyphRom);
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
        default:
            return;
        }
    }
    uint8_t bytes[8];
    std::memcpy(bytes, &pixels, 8);
    std::memcpy(FrameBuffer + lineStart + 72, bytes + 8 - hs, hs);
}

// One chunk at LinePosition x of the current line.
void DrawChunk(unsigned x, const HiddenArea& hidden)
{
    const unsigned line = Ted.RasterLine;
    const uint32_t lineStart = LineOffsetTable[line];
    const uint32_t at = lineStart + 2 * x;
    const uint8_t hs = Ted.Latch.hs;

    if (line < Ted.WindowTop || line >= Ted.WindowBottom) {
        BorderChunk(at + hs);
        return;
    }
    const uint8_t ff06 = Ram64[0xFF06];
    const uint8_t ff07 = Ram64[0xFF07];
    if (x < Ted.WindowLeft) {
        if (x >= hidden.left)
            BorderChunk(at);
        if (x + 4 == Ted.WindowLeft)
            LeftEdgeFill(lineStart, ff06, ff07);
        return;
    }
    if (x >= Ted.WindowRight) {
        if (x <= hidden.right)
            BorderChunk(at);
        return;
    }
    if (!(ff06 & 0x10)) {   // display disabled
        BorderChunk(at + hs);
        return;
    }
    StoreChunk(at + hs, WindowChunk(x / 4 - 8, ff06, ff07));
}

}  // namespace

void FillPixels8(uint8_t* destination, uint8_t colour)
{
    std::memset(destination, colour, 8);
}

void PutPixels8(uint8_t* frameBuffer, uint32_t offset, const uint8_t pixels[8])
{
    if (offset <= FrameBufferSize - 8) {
        std::memcpy(frameBuffer + offset, pixels, 8);
    } else if (offset < FrameBufferSize) {
        // The last chunk of the last line, shifted by the scroll.
        std::memcpy(frameBuffer + offset, pixels, FrameBufferSize - offset);
    }
}

void RenderStep()
{
    // The frame ends when the TED's line counter becomes 0.
    if (LineCounterTable[Ted.RasterLine] != 0) {
        Ted.FrameEndArmed = 1;
        Ted.FrameCountArmed = 1;
    } else {
        if (Ted.FrameEndArmed)
            PresentFrame();
        if (Ted.FrameCountArmed) {
            Ted.FrameCountArmed = 0;
            Ted.FramesCompleted++;
        }
    }

    if (Ted.RenderColumn >= LineUnits)
        Ted.RenderColumn = 0;
    const HiddenArea& hidden = Hidden();
    const unsigned line = Ted.RasterLine;
    if (line < hidden.top || line >= hidden.bottom) {
        // A line the screen mode never shows: only catch up.
        Ted.RenderColumn = static_cast<uint16_t>(std::max(Ted.RenderColumn, Ted.LinePosition) + 4);
        return;
    }
    do {
        DrawChunk(Ted.RenderColumn, hidden);
        Ted.RenderColumn = static_cast<uint16_t>(Ted.RenderColumn + 4);
    } while (Ted.RenderColumn <= Ted.LinePosition);
}
