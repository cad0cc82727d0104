#include "platform/screen_surface/screen_surface.h"

#include <cstring>

bool TakeScreenMode(ScreenMode& mode, uint32_t width, uint32_t height, uint32_t bitsPerPixel)
{
    if (bitsPerPixel != 8 || width == 0 || height == 0 || width > 4096 || height > 4096)
        return false;
    mode.width = width;
    mode.height = height;
    return true;
}

Surface* NewScreenSurface(const ScreenMode& mode)
{
    Surface* surface = new Surface();
    // Rows are padded to 64 bytes, as video memory often is.
    SizePicture(surface->picture, mode.width, mode.height, static_cast<int32_t>((mode.width + 63) & ~63u), 0);
    return surface;
}

void ColourPicture(const Surface& surface, void* target, size_t targetPitch)
{
    const IndexedPicture& picture = surface.picture;
    for (uint32_t y = 0; y < picture.height; y++) {
        const uint8_t* source = picture.pixels.data() + static_cast<size_t>(y) * picture.pitch;
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target) + y * targetPitch);
        for (uint32_t x = 0; x < picture.width; x++)
            row[x] = surface.colours[source[x]];
    }
}

int32_t DisplayCreatePalette(DisplayDevice*, uint32_t caps, const PaletteEntry entries[256], Palette** out)
{
    if (!(caps & DDPCAPS_8BIT))
        return DDERR_GENERIC;
    Palette* palette = new Palette();
    std::memcpy(palette->entries, entries, sizeof palette->entries);
    *out = palette;
    return DD_OK;
}

void PaletteRelease(Palette* palette) { delete palette; }

int32_t SurfaceSetPalette(Surface* surface, Palette* palette)
{
    if (!surface || !palette)
        return DDERR_GENERIC;
    // Bytes red, green, blue, alpha are the little-endian word 0xAABBGGRR.
    const int redShift = ScreenColourLayout() == ColourLayout::Argb ? 16 : 0;
    const int blueShift = 16 - redShift;
    for (int i = 0; i < 256; i++) {
        const PaletteEntry& e = palette->entries[i];
        surface->colours[i] = 0xFF000000u | (uint32_t{e.red} << redShift) | (uint32_t{e.green} << 8) |
                              (uint32_t{e.blue} << blueShift);
    }
    ScreenColoursChanged();
    return DD_OK;
}

int32_t SurfaceLock(Surface* surface, SurfaceDesc* desc)
{
    if (!surface)
        return DDERR_GENERIC;
    if (surface->lost)
        return DDERR_SURFACELOST;
    surface->locked = true;
    DescribePicture(surface->picture, desc);
    return DD_OK;
}

int32_t SurfaceUnlock(Surface* surface)
{
    if (!surface || !surface->locked)
        return DDERR_GENERIC;
    surface->locked = false;
    ScreenPictureFinished();
    return DD_OK;
}
