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
};

extern Settings Config;

Settings DefaultSettings();
// Applies the text of a settings file to s: known names (any case) with a
// decimal or 0x-hexadecimal 32-bit value; anything else is ignored.
void ParseSettingsText(const std::string& text, Settings& s);
// The file to read: $RAVLIN_SETTINGS, else $XDG_CONFIG_HOME/ravlin/settings,
// else ~/.config/ravlin/settings.
std::string SettingsFilePath();
// Fills Config, JoystickMode and StartupJoystick.
void ReadSettings();
