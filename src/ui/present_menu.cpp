// A menu's picture on the display.  While a menu runs the main loop is
// suspended, so nothing else presents frames: the menu copies the whole
// frame buffer itself, border included, in the screen mode's geometry.
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/key_input.h"
#include "ted/present.h"
#include "ui/text.h"

void PresentMenu()
{
    // The menu's frame: the clock its key presses are held by.
    KeyInputMenuFrame();
    if (!g_pDDSPrimary)
        return;
    SurfaceDesc desc{};
    int32_t result;
    do {
        result = SurfaceLock(g_pDDSPrimary, &desc);
    } while (result == DDERR_WASSTILLDRAWING);
    // Unlike the emulation's own presentation, a lost surface is not
    // restored here: the menu simply tries again on its next pass.
    if (result != DD_OK)
        return;
    if (const ScreenCopy* copy = ScreenCopyFor(Config.ScreenMode))
        CopyFrame(*copy, desc);
    SurfaceUnlock(g_pDDSPrimary);
}
