// PC keys by name for the runner's scripts: the scan code the keyboard
// state uses, the virtual-key code of the window's key messages and the
// characters the key types on a US layout.
#pragma once
#include <cstdint>
#include <string_view>

struct PcKey {
    const char* name;
    uint8_t scanCode;     // DIK_ value
    uint8_t virtualKey;   // VK_ value of WM_KEYDOWN / WM_KEYUP
    char plain;           // the character typed without Shift; 0 for none
    char shifted;         // with Shift
};

// The key of that name (any case), or null.
const PcKey* FindPcKey(std::string_view name);

// How a character is typed on the emulated keyboard: one PC key, with or
// without Shift.  Null key for a character the machine cannot type.
struct TypedKey {
    const PcKey* key;
    bool shift;
};
TypedKey KeyForCharacter(char c);

// A runner key goes down or up on the key translation, as a desktop's
// keyboard feeds it: with the character it types under the runner's
// Shift, Ctrl and Alt, or `typed` (typed text: the character the key is
// pressed for).
void FeedRunnerKey(const PcKey& key, bool down, char typed = 0);
