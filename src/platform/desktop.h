// What the desktop adds around the machine: the window title with its
// passing messages and the warp speed, warp itself, the sound muted while
// the window is inactive or the machine warps, and the clipboard.
#pragma once
#include <cstdint>
#include <string>

// Running unpaced (the hot key F10); the sound is muted meanwhile.
extern bool WarpOn;
void ToggleWarp();
// The sound plays only while the window is active and the machine is not
// warping; call after either changes.
void UpdateSoundMute();

// A message on standard error and, for a few seconds, in the window title.
void ShowTitleMessage(const std::string& text);
// The title as it stands: the program's name with the machine model in
// parentheses, then a passing message or the warp speed.
std::string CurrentWindowTitle();
// Once per emulated frame: keeps the title's warp speed (measured once a
// second, as a multiple of real time) and its messages up to date.
void DesktopFrame();

// The text screen (25 rows of 40 characters, trailing spaces dropped) as
// plain ASCII; '.' for what has no ASCII character.
std::string ScreenText();
// F5: the clipboard's text is typed; the title says how many characters
// the machine could not type.  Shift+F5: the text screen to the clipboard.
void PasteClipboard();
void CopyScreenToClipboard();

void ResetDesktopState();
