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
// key stays down until it is released, so the KERNAL repeats it.  While the
// machine runs unpaced (faster than real time), a press from the PC is one
// tap of two frames however long it is held, so that one press stays one.
//
// The keys belong to the machine or to the menu (a menu, page or dialog,
// or the debugger) that is open: a key that goes down while a menu is open
// is the menu's, press, repeats and release, even when it is released
// after the menu has closed; only a press typed so soon after the key that
// closed the menu that the menu never saw it goes on to the machine.  When
// a menu opens, every key the machine holds is let go for it.
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
// repeats from the PC go to KeyInputRepeat.
void KeyInputDown(uint8_t position, uint32_t character);
// The PC repeated the held key at `position`.  The machine repeats a held
// key by itself; only while it runs unpaced, where a press is a tap, is a
// repeat one more tap of the key.
void KeyInputRepeat(uint8_t position);
// The key at `position` went up.
void KeyInputUp(uint8_t position);
// Whether a backend should wait for the character a key at `position`
// types before calling KeyInputDown (symbolic map, a key that types).
bool KeyInputWantsCharacter(uint8_t position);
// A character typed on the PC without a key to hold (text input with no
// key event): pressed and released, for the machine or the open menu.
// False when the machine has no key for it.  Letters are typed unshifted
// whatever their case when `anyCaseLetters`.
bool KeyInputType(uint32_t character, bool anyCaseLetters = false);
// UTF-8 text typed on the machine (pasted, or RUN after a load), letters
// unshifted whatever their case (text copied from the machine's screen is
// in capitals), a line feed or carriage return as RETURN (CR LF once).
// Returns how many characters were skipped.
size_t KeyInputTypeText(std::string_view utf8);
// Every key is up (the window lost the keyboard focus); presses already
// made still reach the machine.
void KeyInputReleaseAll();
// Presses not yet handed to the machine, or still being held for it.
size_t KeyInputPending();
// Whether any PC key is down now.
bool KeyInputAnyDown();
// No key down and no press waiting, for the machine or a menu.
bool KeyInputQuiet();

// One emulated frame has ended: the clock of the machine's presses.
// `unpaced`: the machine runs faster than real time (Sync=0, warp, a tape
// loading with TapeWarp).
void KeyInputFrame(bool unpaced);
// Whether key events come in the machine's own time (the headless
// runner's scripts, which count frames) rather than the PC's: then a press
// lasts as long as it is held, paced or not.
void KeyInputEventsInMachineTime(bool on);

// A menu or the debugger opens (the keys are its own from now on) and
// closes (keys still down stay its own until they are released; presses
// it has not yet been handed go on to the machine).
void KeyInputMenuOpen();
void KeyInputMenuClose();
// The open menu presented a picture: the clock of its presses, as frames
// are the machine's.  Between pictures, each 1/50 s of the counter counts.
void KeyInputMenuFrame();
// Set around the machine's own reads of the keyboard (its keyboard latch),
// which see the machine's keys also while the debugger steps it.
void KeyInputReadForMachine(bool on);

// The keyboard state read now: 256 DIK_ bytes, 0x80 down.  The open menu's
// keys while a menu is open, else (and for the machine's own reads) the
// machine's.
void KeyInputState(uint8_t state[256]);

// Everything up and forgotten.
void ResetKeyInput();
