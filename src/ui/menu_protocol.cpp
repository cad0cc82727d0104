#include "ui/menu_protocol.h"

#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/key_input.h"

void EnterMenu(SavedVolumes& saved)
{
    // The keys are the menu's from here on; what the machine held, it
    // sees let go when it runs again.
    KeyInputMenuOpen();
    if (Config.SoundEmulation != 1)
        return;
    SoundBufferGetVolume(g_pDSBuffer1, &saved.buffer1);
    SoundBufferGetVolume(g_pDSBuffer2, &saved.buffer2);
    SoundBufferGetVolume(g_pDSBuffer3, &saved.buffer3);
    SoundBufferSetVolume(g_pDSBuffer1, DSBVOLUME_MIN);
    SoundBufferSetVolume(g_pDSBuffer2, DSBVOLUME_MIN);
    SoundBufferSetVolume(g_pDSBuffer3, DSBVOLUME_MIN);
}

void LeaveMenu(const SavedVolumes& saved)
{
    // Keys still down (the Escape that closed the menu) stay the menu's
    // until they are released: none of them reaches the machine.
    KeyInputMenuClose();
    if (Config.SoundEmulation == 1) {
        SoundBufferSetVolume(g_pDSBuffer1, saved.buffer1);
        SoundBufferSetVolume(g_pDSBuffer2, saved.buffer2);
        SoundBufferSetVolume(g_pDSBuffer3, saved.buffer3);
    }

    // Keys pressed during the menu went to the window as messages too; of
    // those, only the newest counts (a Shift released, a hot key pressed).
    // The quit message is not ours to swallow: the main loop must see it.
    Message message;
    Message last{};
    bool removed = false;
    while (PeekMessage(&message) && message.message != WM_QUIT) {
        if (!GetMessage(&message))
            break;
        last = message;
        removed = true;
    }
    if (removed) {
        TranslateMessage(&last);
        DispatchMessage(&last);
    }
}
