// The nine 32-bit settings.  They come from a plain text file of Name=value
// lines (see README); nothing is ever written back.
#pragma once
#include <cstdint>
#include <string>

struct Settings {
    uint32_t ScreenMode;
    uint32_t Priority;
    uint32_t SoundEmulation;
    uint32_t Debugger;
    uint32_t Sync;
    uint32_t ModeX;
    uint32_t Plus4ROMS;
    uint32_t Joystick;
    uint32_t Log;
    uint32_t Windowed;   // our own tenth value: nonzero = a window, not full screen
    uint32_t KeyboardMap;   // 1 symbolic (a typed character as itself), 0 positional
};

// Paced by the 50 Hz timer unless asked otherwise; out of range falls back.
constexpr uint32_t DefaultSync = 2;
constexpr uint32_t DefaultKeyboardMap = 1;

extern Settings Config;

Settings DefaultSettings();
// Applies the text of a settings file to s: known names (any case) with a
// decimal or 0x-hexadecimal 32-bit value; anything else is ignored.
void ParseSettingsText(const std::string& text, Settings& s);
// The file to read: $RAVLIN_SETTINGS, else $XDG_CONFIG_HOME/ravlin/settings,
// else ~/.config/ravlin/settings.
std::string SettingsFilePath();
// Fills Config, JoystickMode and StartupJoystick.  Values out of their
// range take their defaults; SettingsRangeNotes says which, for the log.
void ReadSettings();
const std::string& SettingsRangeNotes();
