// Helpers for the debugger tests: a booted machine with a character set in
// which every screen code has its own pattern, pictures of the menu window,
// and key scripts played on the headless backend's ticks.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/test_glyphs.h"
#include "support/test_support.h"

// Boots on tiny ROMs (NOPs; the interrupt vector and by default the reset
// vector at 0xF000, an endless loop there) with the test glyphs.
bool BootDebuggerMachine(const std::string& settings = "ScreenMode=0\n", uint16_t resetTarget = 0xF000);

// Reads count cells of a row as text, each cell matched against the glyphs
// drawn in the given ink on the given paper.  A cell in other colours, or
// showing no glyph, reads as '?'.  Screen codes read as the characters that
// draw them ('@', 'A'-'Z', punctuation, digits).
std::string ReadCells(const WindowPicture& picture, int column, int row, int count, uint8_t ink, uint8_t paper);
// The screen code a cell shows in the given colours, or -1.
int CellScreenCode(const WindowPicture& picture, int column, int row, uint8_t ink, uint8_t paper);

// A script of key presses and pictures, laid out on ticks from now on.  Each
// press holds the key for two ticks, then leaves a gap.  Run() calls the
// function (normally RunDebugger) after arming a safety net that taps Escape
// repeatedly long after the script's end, and fails the test if it was needed.
struct KeyScript {
    // The script starts this many ticks from now (so that a machine that
    // runs on into the debugger is there when it starts).
    explicit KeyScript(int delay = 4);
    ~KeyScript();
    uint64_t tick;
    std::map<std::string, WindowPicture> shots;
    bool safetyNeeded = false;

    void Press(uint8_t scanCode, int gap = 8);
    // Holds modifier around a press of key.
    void PressWith(uint8_t modifier, uint8_t scanCode, int gap = 8);
    void Hold(uint8_t scanCode, int ticks, int gap = 8);
    void Wait(int ticks) { tick += ticks; }
    // Captures the window now (after the previous press has been served).
    void Shot(const std::string& name);
    // Runs code at the current tick.
    void At(std::function<void()> event);
    void Run(const std::function<void()>& body);
    const WindowPicture& Picture(const std::string& name) const;
};
