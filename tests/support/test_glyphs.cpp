#include "support/test_glyphs.h"

#include <fstream>

#include "machine/machine_state.h"
#include "support/test_support.h"

uint8_t TestGlyphRow(uint8_t screenCode, int row)
{
    switch (row) {
    case 0: return screenCode;
    case 1: return static_cast<uint8_t>(~screenCode);
    default: return static_cast<uint8_t>(screenCode * 37 + row * 91 + 0x5A);
    }
}

void InstallTestGlyphs()
{
    for (int k = 0; k < 256; k++)
        for (int row = 0; row < 8; row++)
            KernalRom[0x1000 + 8 * k + row] = TestGlyphRow(static_cast<uint8_t>(k), row);
}

bool BootWithTestGlyphs(const std::string& settings, uint16_t resetTarget)
{
    if (!WriteTinyRomFiles(".", resetTarget))
        return false;
    std::ofstream out("settings", std::ios::binary);
    out << settings;
    out.close();
    if (!out || !BootMachine())
        return false;
    InstallTestGlyphs();
    return true;
}

WindowPicture FrameBufferWindow()
{
    WindowPicture picture;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            picture.pixels[y * 320 + x] = FrameBuffer[(56 + y) * FrameWidth + 64 + x];
    return picture;
}
