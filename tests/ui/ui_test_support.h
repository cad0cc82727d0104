// Helpers for the menu tests: a booted machine with a test character set,
// and reading the drawn window back as text.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "support/test_glyphs.h"
#include "support/test_support.h"

// Boots the machine with tiny ROMs in the current directory and the given
// settings text, then installs the test glyphs.  Returns false on failure.
bool BootMenuMachine(const std::string& settings = "ScreenMode=0\n");

WindowPicture PresentedWindow();          // the last presented surface (ScreenMode 0)

// Reads count cells of a row as text, assuming the given ink and paper.  A
// cell of paper only reads as '`' (no glyph is blank), a cell whose pixels
// are not all ink or paper, or whose pattern is no glyph, as '?'.
std::string ReadCells(const WindowPicture& picture, int column, int row, int count, uint8_t ink, uint8_t paper);

// The same from the frame buffer, for any cell (also past column 39, where
// long file names run on).
std::string ReadFrameCells(int column, int row, int count, uint8_t ink, uint8_t paper);

// Every presented picture (ScreenMode 0) from now on, in order, and keys
// and events tied to them: what is scheduled at picture n happens right
// after picture n is presented (so a menu reads a key tapped at its
// picture in the same pass), however many vertical blanks lie between.
struct PictureLog {
    std::vector<WindowPicture> pictures;
    void Start();
    ~PictureLog();
    const WindowPicture& Last() const { return pictures.back(); }
    // Keys tapped one per picture from firstPicture on; 0 taps nothing.
    void KeysAt(size_t firstPicture, std::initializer_list<uint8_t> keys);
    void AtPicture(size_t picture, std::function<void()> event);
    // A key held as a person taps it: down at the picture, up two ticks
    // later, so that the next pass still finds it down (for keys paced by
    // the auto-repeat, which then returns to rest).
    void PressAt(size_t picture, uint8_t key);

    std::multimap<size_t, std::function<void()>> events;
};

// A key pressed at a tick: it reads as down until the next tick, or until
// the program has read the keyboard many times in a row without a tick in
// between (that is, while it waits for the key's release).
void TapKeyAt(uint64_t tick, uint8_t scanCode);
// Keys tapped one per tick from firstTick on; 0 taps nothing at its tick.
void TypeKeys(uint64_t firstTick, std::initializer_list<uint8_t> keys);
// A key held from one tick to another.
void HoldKeyBetween(uint64_t downTick, uint64_t upTick, uint8_t scanCode);
