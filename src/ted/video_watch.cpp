#include "ted/video_watch.h"

#include <cstring>

#include "machine/machine_model.h"

namespace {

// Marks the pages of length bytes from start, wrapping at 0xFFFF, as the
// RAM holds them (the C16's 16 KiB at 0x0000-0x3FFF: writes are checked
// with those addresses).
void MarkPages(uint16_t start, unsigned length)
{
    const unsigned pages = ((start & 0xFF) + length + 0xFF) >> 8;
    const unsigned pageMask = RamAddressMask >> 8;
    for (unsigned i = 0; i < pages; i++)
        Ted.Watch.page[((start >> 8) + i) & pageMask] |= WatchVideo;
}

}  // namespace

void RefreshVideoWatch()
{
    const LineLatches& l = Ted.Latch;
    VideoWatch& w = Ted.Watch;
    const bool bitmap = Ram64[0xFF06] & 0x20;
    const uint64_t key = l.mb | uint64_t{l.cb} << 16 | uint64_t{l.bb} << 32 | uint64_t{bitmap} << 48 |
                         uint64_t{l.glyphRom} << 49 | uint64_t{l.bitmapSource} << 51 |
                         uint64_t{RamAddressMask} << 53;
    if (w.valid && w.key == key)
        return;
    const bool glyphInRam = l.glyphRom == FetchFromRam;
    const bool bitmapInRam = l.bitmapSource == FetchFromRam;
    const bool sixteenK = RamAddressMask != 0xFFFF;
    w.valid = 1;
    w.key = key;
    std::memset(w.page, sixteenK ? WatchMirror : 0, sizeof w.page);
    // Characters at mb, attributes 1 KiB below; text rows and bitmap
    // colours reach up to row 32 of the matrix (1,319 bytes above mb) and
    // 1 KiB below that.
    MarkPages(static_cast<uint16_t>(l.mb - 0x400), 0xA00);
    if (bitmap) {
        // 32 bitmap rows of 320 bytes.
        if (bitmapInRam)
            MarkPages(l.bb, 0x2800);
    } else if (glyphInRam) {
        // 256 glyphs of 8 bytes; the glyph line may start up to 7 lines
        // before the generator base.
        MarkPages(static_cast<uint16_t>(l.cb - 8), 0x808);
    }
}

void ClearVideoWatch()
{
    std::memset(Ted.Watch.page, RamAddressMask != 0xFFFF ? WatchMirror : 0, sizeof Ted.Watch.page);
    Ted.Watch.valid = 0;
}
