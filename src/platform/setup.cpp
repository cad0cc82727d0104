// Creating the window, display, keyboard and sound devices in their fixed
// order, and releasing them again.
#include "platform/setup.h"

#include <cstring>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "sound/sound.h"
#include "ted/palette.h"

uint16_t DisplayWidth = 0;
uint16_t DisplayHeight = 0;
PaletteEntry PaletteEntries[256];

namespace {

struct DisplayModeRow {
    uint16_t width, height;
};

struct ScreenModeSetup {
    DisplayModeRow modes[2];
    int modeCount;
    bool cleared;
    const char* failure;
    const char* clearedLog;
};

// Display modes per ScreenMode setting: mode 5 passes through 640 x 480 on
// its way to 640 x 400.
constexpr ScreenModeSetup ScreenModes[7] = {
    {{{320, 200}}, 1, false, "Ravlin Error: SetDisplayMode 320x200x8 FAILED", nullptr},
    {{{400, 300}}, 1, false, "Ravlin Error: SetDisplayMode 400x300x8 FAILED", nullptr},
    {{{512, 384}}, 1, true, "Ravlin Error: SetDisplayMode 512x384x8 FAILED", "Info: 512x384 screen cleared.\n"},
    {{{320, 240}}, 1, false, "Ravlin Error: SetDisplayMode 320x240x8 FAILED", nullptr},
    {{{640, 480}}, 1, true, "Ravlin Error: SetDisplayMode 640x480x8 FAILED", "Info: 640x480 screen cleared.\n"},
    {{{640, 480}, {640, 400}}, 2, false, "Ravlin Error: SetDisplayMode 640x480x8 FAILED", nullptr},
    {{{800, 600}}, 1, true, "Ravlin Error: SetDisplayMode 800x600x8 FAILED", "Info: 800x600 screen cleared.\n"},
};

void ClearSurface(uint16_t width, uint16_t height)
{
    SurfaceDesc desc{};
    int32_t result;
    do {
        result = SurfaceLock(g_pDDSPrimary, &desc);
    } while (result == DDERR_WASSTILLDRAWING);
    if (result != DD_OK)
        return;
    uint32_t rows = height < desc.height ? height : desc.height;
    uint32_t columns = width < desc.width ? width : desc.width;
    for (uint32_t y = 0; y < rows; y++)
        std::memset(desc.bits + static_cast<ptrdiff_t>(y) * desc.pitch, 0, columns);
    SurfaceUnlock(g_pDDSPrimary);
}

int32_t SetUpDisplay(WindowHandle window)
{
    DirectDrawObject* first = nullptr;
    int32_t result = DirectDrawCreate(&first);
    if (result != DD_OK)
        return ReportError(window, result, "Ravlin Error: DirectDrawCreate FAILED");
    LogLine("Info: DirectDraw DirectDrawCreate executed.\n");
    result = DirectDrawQueryInterface(first, &g_pDD);
    if (result != DD_OK)
        return ReportError(window, result, "Ravlin requires DirectX 3.0 or better!");
    LogLine("Info: DirectDraw QueryInterface executed.\n");

    uint32_t level = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | (Config.ModeX ? DDSCL_ALLOWMODEX : 0);
    result = DisplaySetCooperativeLevel(g_pDD, window, level);
    if (result != DD_OK)
        return ReportError(window, result, "Ravlin Error: SetCooperativeLevel FAILED");
    LogLine("Info: DirectDraw SetCooperativeLevel executed.\n");

    const ScreenModeSetup* setup = Config.ScreenMode < 7 ? &ScreenModes[Config.ScreenMode] : nullptr;
    if (setup) {
        for (int i = 0; i < setup->modeCount; i++) {
            result = DisplaySetMode(g_pDD, setup->modes[i].width, setup->modes[i].height, 8);
            if (result != DD_OK)
                return ReportError(window, result, "%s", setup->failure);
            DisplayWidth = setup->modes[i].width;
            DisplayHeight = setup->modes[i].height;
            LogLine("Info: DirectDraw SetDisplayMode executed.\n");
        }
    }

    result = DisplayCreatePrimarySurface(g_pDD, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY, &g_pDDSPrimary);
    if (result != DD_OK)
        return ReportError(window, result, "Ravlin Error: CreateSurface FAILED");
    LogLine("Info: DirectDraw CreateSurface executed.\n");

    for (int i = 0; i < 256; i++)
        PaletteEntries[i] = {MachinePalette[i][0], MachinePalette[i][1], MachinePalette[i][2], 0};
    LogLine("Info: Palette generated.\n");

    if (g_pDDPal) {
        LogLine("Warning: g_pDDPal did not contain NULL value.\n");
    } else {
        result = DisplayCreatePalette(g_pDD, DDPCAPS_8BIT, PaletteEntries, &g_pDDPal);
        if (result != DD_OK)
            return ReportError(window, result, "Ravlin Error: CreatePalette FAILED");
        LogLine("Info: DirectDraw CreatePalette executed.\n");
    }
    result = SurfaceSetPalette(g_pDDSPrimary, g_pDDPal);
    if (result != DD_OK)
        return ReportError(window, result, "Ravlin Error: SetPalette FAILED");
    LogLine("Info: DirectDraw SetPalette executed.\n");

    if (setup && setup->cleared) {
        ClearSurface(setup->modes[0].width, setup->modes[0].height);
        LogLine("%s", setup->clearedLog);
    }
    return DD_OK;
}

int32_t SetUpKeyboard(WindowHandle window)
{
    int32_t result = DirectInputCreate(0x0300, &g_pDI);
    if (result < 0)
        return ReportError(window, result, "Ravlin Error: DirectInputCreate FAILED");
    LogLine("Info: DirectInput DirectInputCreate executed.\n");
    result = InputCreateKeyboard(g_pDI, &g_pDIKeyboard);
    if (result < 0)
        return ReportError(window, result, "Ravlin Error: DirectInput->CreateDevice FAILED");
    LogLine("Info: DirectInput CreateDevice executed.\n");
    result = KeyboardSetDataFormat(g_pDIKeyboard);
    if (result < 0)
        return ReportError(window, result, "Ravlin Error: DirectInput->SetDataFormat FAILED");
    LogLine("Info: DirectInput SetDataFormat executed.\n");
    result = KeyboardSetCooperativeLevel(g_pDIKeyboard, window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    if (result < 0)
        return ReportError(window, result, "Ravlin Error: DirectInput->SetCooperativeLevel FAILED");
    LogLine("Info: DirectInput SetCooperativeLevel executed.\n");
    result = KeyboardAcquire(g_pDIKeyboard);
    if (result < 0)
        return ReportError(window, result, "Ravlin Error: DirectInput->Acquire FAILED");
    LogLine("Info: DirectInput Acquire executed.\n");
    return DI_OK;
}

// A failure must come back as a nonzero value even when the failing call's
// own result was zero-or-positive-but-wrong; callers only test for nonzero.
inline int32_t AsFailure(int32_t result) { return result != 0 ? result : DDERR_GENERIC; }

}  // namespace

int32_t SetUpDevices(int showState)
{
    WindowHandle window = CreateMainWindow(showState);
    if (!window)
        return DDERR_GENERIC;
    int32_t result = SetUpDisplay(window);
    if (result != DD_OK)
        return AsFailure(result);
    result = SetUpKeyboard(window);
    if (result < 0)
        return result;
    if (Config.SoundEmulation == 1) {
        SetUpSound();   // a failure leaves the machine running without sound
    } else {
        LogLine("Info: Sound disabled.\n");
    }
    return 0;
}

void ReleaseAll()
{
    SoundBuffer** buffers[3] = {&g_pDSBuffer1, &g_pDSBuffer2, &g_pDSBuffer3};
    for (SoundBuffer** buffer : buffers) {
        if (*buffer) {
            SoundBufferRelease(*buffer);
            *buffer = nullptr;
        }
    }
    if (g_pDS) {
        SoundRelease(g_pDS);
        g_pDS = nullptr;
    }
    if (g_pDIKeyboard) {
        KeyboardUnacquire(g_pDIKeyboard);
        KeyboardRelease(g_pDIKeyboard);
        g_pDIKeyboard = nullptr;
    }
    if (g_pDI) {
        InputRelease(g_pDI);
        g_pDI = nullptr;
    }
    if (g_pDD) {
        if (g_pDDSPrimary) {
            SurfaceRelease(g_pDDSPrimary);
            g_pDDSPrimary = nullptr;
        }
        if (g_pDDPal) {
            PaletteRelease(g_pDDPal);
            g_pDDPal = nullptr;
        }
        DisplayRelease(g_pDD);
        g_pDD = nullptr;
    }
    if (RamBlock) {
        FreeBlock(RamBlock);
        RamBlock = nullptr;
        Ram64 = nullptr;
    }
}

void WaitVerticalBlank()
{
    if (!g_pDD)
        return;
    while (DisplayWaitForVerticalBlank(g_pDD, DDWAITVB_BLOCKBEGIN) != DD_OK) {
    }
}
