// Helpers for the menu tests: a booted machine with a test character set,
// and reading the drawn window back as text.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

// A character generator in which every screen code has its own pattern
// (row 0 is the code itself, row 1 its complement, so every glyph has set
// and clear pixels), written into the KERNAL image.
uint8_t TestGlyphRow(uint8_t screenCode, int row);
void InstallTestGlyphs();

// Boots the machine with tiny ROMs in the current directory and the given
// settings text, then installs the test glyphs.  Returns false on failure.
bool BootMenuMachine(const std::string& settings = "ScreenMode=0\n");

// A 320 x 200 picture of the menu window.
struct WindowPicture {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(320 * 200);
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * 320 + x]; }
};
WindowPicture FrameBufferWindow();        // the frame buffer's window now
WindowPicture PresentedWindow();          // the last presented surface (ScreenMode 0)

// Reads count cells of a row as text, assuming the given ink and paper.  A
// cell whose pixels are not all ink or paper, or whose pattern is no glyph,
// reads as '?'.
std::string ReadCells(const WindowPicture& picture, int column, int row, int count, uint8_t ink, uint8_t paper);

// Every presented picture (ScreenMode 0) from now on, in order.
struct PictureLog {
    std::vector<WindowPicture> pictures;
    void Start();
    ~PictureLog();
    const WindowPicture& Last() const { return pictures.back(); }
};

// A key pressed at a tick: it reads as down until the next tick, or until
// the program has read the keyboard many times in a row without a tick in
// between (that is, while it waits for the key's release).
void TapKeyAt(uint64_t tick, uint8_t scanCode);
// A key held from one tick to another.
void HoldKeyBetween(uint64_t downTick, uint64_t upTick, uint8_t scanCode);
