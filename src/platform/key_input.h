// The PC keyboard as the machine meets it, whatever backend delivers the
// keys.  A backend feeds every key event here; the keyboard device answers
// its state reads with KeyInputState.
//
// Two maps (the KeyboardMap setting):
// - symbolic (1): a character typed on the PC reaches the machine as that
//   character, with or without the machine's Shift as the machine needs it;
//   keys that type no character (Return, the cursor keys, F1-F4, Escape...)
//   keep a fixed place;
// - positional (0): every key by its place, through KeyMap.
//
// No press is lost: each press reaches the machine for at least two of its
// keyboard scans (one a frame), presses are handed on one after the other
// in the order they came, with a scan of no key between them, and a held
// key stays down until it is released, so the KERNAL repeats it.
//
// Positions are DIK_ scan codes (input/key_codes.h); characters are Unicode
// code points.  A backend that knows both (SDL's key and text events, a
// browser's KeyboardEvent.code and .key) passes both.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The machine's pound key has no PC key of its own; the symbolic map holds
// it down under this code, which no keyboard sends.
constexpr uint8_t DIK_POUND_PLACE = 0x00;

// A key went down at `position`; `character` is what the PC's layout typed
// with it (0 when it typed nothing or the backend cannot tell).  Key
// repeats from the PC are not fed: the machine repeats by itself.
void KeyInputDown(uint8_t position, uint32_t character);
// The key at `position` went up.
void KeyInputUp(uint8_t position);
// Whether a backend should wait for the character a key at `position`
// types before calling KeyInputDown (symbolic map, a key that types).
bool KeyInputWantsCharacter(uint8_t position);
// A character typed without a key to hold (text input with no key event,
// pasted text): pressed and released.  False when the machine has no key
// for it.  Letters are typed unshifted whatever their case when
// `anyCaseLetters` (text copied from the machine's screen is in capitals).
bool KeyInputType(uint32_t character, bool anyCaseLetters = false);
// UTF-8 text typed as KeyInputType(…, true) does, a line feed or carriage
// return as RETURN (CR LF once).  Returns how many characters were skipped.
size_t KeyInputTypeText(std::string_view utf8);
// Every key is up (the window lost the keyboard focus); presses already
// made still reach the machine.
void KeyInputReleaseAll();
// Presses not yet handed to the machine, or still being held for it.
size_t KeyInputPending();
// Whether any PC key is down now.
bool KeyInputAnyDown();

// One emulated frame has ended: the clock of the press queue.
void KeyInputFrame();
// The keyboard state the machine reads now: 256 DIK_ bytes, 0x80 down.
// While no frame ends (a menu or the debugger is open, the machine is
// paused), the queue moves on by the counter instead.
void KeyInputState(uint8_t state[256]);

// Everything up and forgotten.
void ResetKeyInput();
