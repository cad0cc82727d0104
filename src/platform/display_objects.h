// The display's objects as every backend keeps them: the DirectDraw object
// (nothing in it), the palette (the 256 entries it was made with) and the
// picture a primary surface holds (one palette index a pixel), with the two
// steps every backend takes alike: sizing the picture and describing it to
// a lock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/devices.h"

struct DirectDrawObject {
    int unused = 0;
};

struct Palette {
    PaletteEntry entries[256];
};

// A picture of palette indexes, rows `pitch` bytes apart.
struct IndexedPicture {
    uint32_t width = 0, height = 0;
    int32_t pitch = 0;
    std::vector<uint8_t> pixels;   // height rows of pitch bytes
    uint8_t At(uint32_t x, uint32_t y) const { return pixels[static_cast<size_t>(y) * pitch + x]; }
};

// The picture made `width` by `height` with rows of `pitch` bytes, every
// byte `fill`.
void SizePicture(IndexedPicture& picture, uint32_t width, uint32_t height, int32_t pitch, uint8_t fill);
// What a lock of the surface that holds the picture hands out.
void DescribePicture(IndexedPicture& picture, SurfaceDesc* desc);
