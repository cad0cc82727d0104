#include "ted/video_watch.h"

#include <cstring>

namespace {

// Marks the pages of length bytes from start, wrapping at 0xFFFF.
void MarkPages(uint16_t start, unsigned length)
{
    const unsigned pages = ((start & 0xFF) + length + 0xFF) >> 8;
    for (unsigned i = 0; i < pages; i++)
        Ted.Watch.page[((start >> 8) + i) & 0xFF] = 1;
}

}  // namespace

void RefreshVideoWatch()
{
    const LineLatches& l = Ted.Latch;
    VideoWatch& w = Ted.Watch;
    const uint8_t bitmap = (Ram64[0xFF06] & 0x20) ? 1 : 0;
    const uint8_t glyphInRam = l.glyphRom == 0 ? 1 : 0;
    if (w.valid && w.bitmap == bitmap && w.glyphInRam == glyphInRam && w.mb == l.mb && w.cb == l.cb &&
        w.bb == l.bb)
        return;
    w.valid = 1;
    w.bitmap = bitmap;
    w.glyphInRam = glyphInRam;
    w.mb = l.mb;
    w.cb = l.cb;
    w.bb = l.bb;
    std::memset(w.page, 0, sizeof w.page);
    // Characters at mb, attributes 1 KiB below; text rows and bitmap
    // colours reach up to row 32 of the matrix (1,319 bytes above mb) and
    // 1 KiB below that.
    MarkPages(static_cast<uint16_t>(l.mb - 0x400), 0xA00);
    if (bitmap) {
        // 32 bitmap rows of 320 bytes.
        MarkPages(l.bb, 0x2800);
    } else if (glyphInRam) {
        // 256 glyphs of 8 bytes; the glyph line may start up to 7 lines
        // before the generator base.
        MarkPages(static_cast<uint16_t>(l.cb - 8), 0x808);
    }
}
