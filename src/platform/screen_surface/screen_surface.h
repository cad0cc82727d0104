// The primary surface and the palettes of the backends that show the
// picture on a screen (SDL2 and the browser): an 8-bit picture of the
// display mode's size, turned into the screen's colours through the palette
// when the backend shows it.  The backend owns the display device and
// supplies the three functions at the end; the surface and palette
// operations of the device layer are written once, in screen_surface.cpp.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/display_objects.h"

struct Surface {
    IndexedPicture picture;
    uint32_t colours[256] = {};   // each index's colour, in the screen's layout
    bool locked = false;
    bool lost = false;            // the screen lost what showed it: restore first
};

// How a screen lays out a 32-bit colour.
enum class ColourLayout {
    Argb,   // words 0xAARRGGBB (SDL's ARGB8888 textures)
    Rgba,   // bytes red, green, blue, alpha (a canvas's image data)
};

// The display mode's size, kept by the backend's display device.
struct ScreenMode {
    uint32_t width = 0, height = 0;
};
// Takes the mode if a screen shows it (8 bits a pixel, 1 to 4096 pixels
// each way); false, the mode unchanged, if not.
bool TakeScreenMode(ScreenMode& mode, uint32_t width, uint32_t height, uint32_t bitsPerPixel);
// A surface of the mode's size, every pixel index 0.
Surface* NewScreenSurface(const ScreenMode& mode);
// The surface's picture in colours: row y of the target starts
// y * targetPitch bytes after its first.
void ColourPicture(const Surface& surface, void* target, size_t targetPitch);

// ---- Supplied by each backend -------------------------------------------
ColourLayout ScreenColourLayout();
// The surface's colours changed (a palette was set): show it again.
void ScreenColoursChanged();
// The surface was unlocked: it holds a new picture.
void ScreenPictureFinished();
