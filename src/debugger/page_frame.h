// What the four debugger pages share: the title bar, the footer, the waits
// for a key's release, and the keys that choose a page.
#pragma once
#include <cstdint>

// Colours of the page furniture (palette indices).
constexpr uint8_t TitleInk = 0x71;
constexpr uint8_t BarPaper = 0x5E;
constexpr uint8_t HintInk = 0x61;
constexpr uint8_t FooterInk = 0x4F;
constexpr uint8_t FooterPaper = 0x61;
constexpr uint8_t KeyNameInk = 0x3B;
constexpr uint8_t RegisterInk = 0x44;
constexpr uint8_t TextInk = 0x71;
constexpr uint8_t Black = 0x00;

// Row 0: the page's title padded to 40 characters, and the page-change hint
// over it.
void DrawPageTitle(const char* title);

struct KeyName {
    uint8_t column;
    const char* name;
};
// Row 24: the footer padded to 40 characters, then the key names over it.
void DrawPageFooter(const char* footer, const KeyName* names, int count);

// The register heading and the value line at (0, row) and (0, row + 1).
void DrawRegisterLines(uint8_t row);

// Waits, one vertical blank at a time, while the key is held.
void WaitWhileKeyHeld(uint8_t scanCode);

// The auto-repeat of the stepping, scrolling and typing keys.  KeyRepeat
// keeps one state for all keys, so a key tapped while the state still waits
// on an earlier key's repeat would be swallowed (typing 1 2 3 4 gave 1 and
// 3).  A key pressed afresh therefore starts the pacer from its idle state:
// it acts at once, and held on it repeats as usual.
struct KeyPacer {
    bool heldBefore[256] = {};
    // Call once per pass for each paced key; returns whether it is held.
    bool Pace(uint8_t scanCode);
};

// The keys every page answers, read in this order, a later one overriding
// an earlier: Escape (waits for its release; 0), Tab (tabTarget), F1-F4.
// Returns page when none of them is held.
int ReadPageKeys(int page, int tabTarget);
