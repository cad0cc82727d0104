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
    const bool bitmap = Ram64[0xFF06] & 0x20;
    const bool glyphInRam = l.glyphRom == 0;
    const uint64_t key = l.mb | uint64_t{l.cb} << 16 | uint64_t{l.bb} << 32 | uint64_t{bitmap} << 48 |
                         uint64_t{glyphInRam} << 49;
    if (w.valid && w.key == key)
        return;
    w.valid = 1;
    w.key = key;
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
