// PC keys by name for the runner's scripts: the scan code the keyboard
// state uses and the virtual-key code of the window's key messages.
#pragma once
#include <cstdint>
#include <string_view>

struct PcKey {
    const char* name;
    uint8_t scanCode;     // DIK_ value
    uint8_t virtualKey;   // VK_ value of WM_KEYDOWN / WM_KEYUP
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
