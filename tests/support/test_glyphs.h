// A machine booted on tiny ROMs whose character generator gives every
// screen code its own pattern, and the menu window read back from the frame
// buffer: what the menu and debugger tests look at cell by cell.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Row 0-7 of screen code k in the test character set: row 0 is the code
// itself, row 1 its complement, so every glyph has set and clear pixels.
uint8_t TestGlyphRow(uint8_t screenCode, int row);
// Writes the test character set into the KERNAL image.
void InstallTestGlyphs();

// Writes the tiny ROMs (WriteTinyRomFiles) and the settings text into the
// current directory, boots, and installs the test glyphs.
bool BootWithTestGlyphs(const std::string& settings, uint16_t resetTarget = 0xF000);

// A 320 x 200 picture of the menu window.
struct WindowPicture {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(320 * 200);
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * 320 + x]; }
};
// The frame buffer's window now.
WindowPicture FrameBufferWindow();
