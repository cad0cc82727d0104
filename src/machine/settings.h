// The 32-bit settings.  They come from a plain text file of Name=value
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
    uint32_t Accuracy;   // 1 the machine as measured on the real chips, 0 the older simple model
    uint32_t TapeWarp;   // 1 unpaced while the datassette's tape moves, 0 paced as always
    uint32_t OpenRom;    // 1 Ravlin's open ROM even when the Commodore images are found
    uint32_t Model;      // 0 Plus/4, 1 C16/C116 with 16 KiB, 2 C16 with 64 KiB; from the next hard reset
    uint32_t Drive8;     // 1 a 1541 with its own DOS ROM for disk images, when dos1541.bin is found; 0 the built-in drive
    uint32_t DriveWarp;  // 1 unpaced while the 1541's motor runs, 0 paced as always
};

extern Settings Config;

// Each setting's value when it is missing or malformed, and for the
// settings with a range, when it lies outside it.
constexpr uint32_t DefaultScreenMode = 0;
constexpr uint32_t DefaultPriority = 0;
constexpr uint32_t DefaultSoundEmulation = 1;
constexpr uint32_t DefaultDebugger = 0;
constexpr uint32_t DefaultSync = 2;   // paced by the 50 Hz timer unless asked otherwise
constexpr uint32_t DefaultModeX = 0;
constexpr uint32_t DefaultPlus4ROMS = 0;
constexpr uint32_t DefaultJoystick = 0;
constexpr uint32_t DefaultLog = 0;
constexpr uint32_t DefaultWindowed = 0;
constexpr uint32_t DefaultKeyboardMap = 1;   // symbolic
constexpr uint32_t DefaultAccuracy = 1;   // the measured machine
constexpr uint32_t DefaultTapeWarp = 1;
constexpr uint32_t DefaultOpenRom = 0;    // the Commodore images when they are found
constexpr uint32_t DefaultModel = 0;      // the Plus/4
constexpr uint32_t DefaultDrive8 = 1;     // the 1541 where it can be (a disk image and its ROM)
constexpr uint32_t DefaultDriveWarp = 1;

// The highest value of each setting that has a range (all start at 0).
constexpr uint32_t HighestScreenMode = 6;
constexpr uint32_t HighestPriority = 2;
constexpr uint32_t HighestSync = 2;
constexpr uint32_t HighestJoystick = 2;
constexpr uint32_t HighestKeyboardMap = 1;
constexpr uint32_t HighestAccuracy = 1;
constexpr uint32_t HighestTapeWarp = 1;
constexpr uint32_t HighestModel = 2;
constexpr uint32_t HighestDrive8 = 1;
constexpr uint32_t HighestDriveWarp = 1;

Settings DefaultSettings();
// Applies the text of a settings file to s: known names (any case) with a
// decimal or 0x-hexadecimal 32-bit value; anything else is ignored.
void ParseSettingsText(const std::string& text, Settings& s);
// The file to read: $RAVLIN_SETTINGS, else $XDG_CONFIG_HOME/ravlin/settings,
// else ~/.config/ravlin/settings.
std::string SettingsFilePath();
// Gives each setting with a range that lies outside it its default, and
// remembers which (for LogSettingsOutOfRange).
void ApplySettingRanges(Settings& s);
// Fills Config, JoystickMode and StartupJoystick; values out of range get
// their defaults.
void ReadSettings();
// One log line for every value ApplySettingRanges replaced since the last
// ReadSettings.
void LogSettingsOutOfRange();
