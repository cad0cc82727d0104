#include "machine/settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <strings.h>

#include "machine/log.h"
#include "machine/machine_state.h"

Settings Config = DefaultSettings();

Settings DefaultSettings()
{
    Settings s;
    s.ScreenMode = DefaultScreenMode;
    s.Priority = DefaultPriority;
    s.SoundEmulation = DefaultSoundEmulation;
    s.Debugger = DefaultDebugger;
    s.Sync = DefaultSync;
    s.ModeX = DefaultModeX;
    s.Plus4ROMS = DefaultPlus4ROMS;
    s.Joystick = DefaultJoystick;
    s.Log = DefaultLog;
    s.Windowed = DefaultWindowed;
    s.KeyboardMap = DefaultKeyboardMap;
    s.Accuracy = DefaultAccuracy;
    s.TapeWarp = DefaultTapeWarp;
    s.OpenRom = DefaultOpenRom;
    s.Model = DefaultModel;
    s.Drive8 = DefaultDrive8;
    s.DriveWarp = DefaultDriveWarp;
    return s;
}

namespace {

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// A 32-bit value: decimal, or hexadecimal after 0x.  Negative decimal values
// are accepted down to INT32_MIN and stored as their two's complement, as a
// DWORD holding a signed value would be.
bool ParseValue(const std::string& text, uint32_t& value)
{
    if (text.empty())
        return false;
    const char* p = text.c_str();
    bool negative = false;
    int base = 10;
    if (*p == '-') {
        negative = true;
        p++;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        if (negative)
            return false;
        base = 16;
        p += 2;
    }
    if (*p == '\0')
        return false;
    uint64_t result = 0;
    for (; *p; p++) {
        int digit;
        if (*p >= '0' && *p <= '9')
            digit = *p - '0';
        else if (base == 16 && *p >= 'a' && *p <= 'f')
            digit = *p - 'a' + 10;
        else if (base == 16 && *p >= 'A' && *p <= 'F')
            digit = *p - 'A' + 10;
        else
            return false;
        result = result * base + digit;
        if (result > 0xFFFFFFFFull)
            return false;
    }
    if (negative) {
        if (result > 0x80000000ull)
            return false;
        value = static_cast<uint32_t>(-static_cast<int64_t>(result));
    } else {
        value = static_cast<uint32_t>(result);
    }
    return true;
}

struct NamedSetting {
    const char* name;
    uint32_t Settings::*field;
};

constexpr NamedSetting SettingNames[] = {
    {"ScreenMode", &Settings::ScreenMode},
    {"Priority", &Settings::Priority},
    {"SoundEmulation", &Settings::SoundEmulation},
    {"Debugger", &Settings::Debugger},
    {"Sync", &Settings::Sync},
    {"ModeX", &Settings::ModeX},
    {"Plus4ROMS", &Settings::Plus4ROMS},
    {"Joystick", &Settings::Joystick},
    {"Log", &Settings::Log},
    {"Windowed", &Settings::Windowed},
    {"KeyboardMap", &Settings::KeyboardMap},
    {"Accuracy", &Settings::Accuracy},
    {"TapeWarp", &Settings::TapeWarp},
    {"OpenRom", &Settings::OpenRom},
    {"Model", &Settings::Model},
    {"Drive8", &Settings::Drive8},
    {"DriveWarp", &Settings::DriveWarp},
};

// The settings whose values are numbered choices: anything past the last
// choice would show nothing, hang the pacing or index past a table.
struct RangedSetting {
    const char* name;
    uint32_t Settings::*field;
    uint32_t highest;
    uint32_t fallback;
};

constexpr RangedSetting RangedSettings[] = {
    {"ScreenMode", &Settings::ScreenMode, HighestScreenMode, DefaultScreenMode},
    {"Priority", &Settings::Priority, HighestPriority, DefaultPriority},
    {"Sync", &Settings::Sync, HighestSync, DefaultSync},
    {"Joystick", &Settings::Joystick, HighestJoystick, DefaultJoystick},
    {"KeyboardMap", &Settings::KeyboardMap, HighestKeyboardMap, DefaultKeyboardMap},
    {"Accuracy", &Settings::Accuracy, HighestAccuracy, DefaultAccuracy},
    {"TapeWarp", &Settings::TapeWarp, HighestTapeWarp, DefaultTapeWarp},
    {"Model", &Settings::Model, HighestModel, DefaultModel},
    {"Drive8", &Settings::Drive8, HighestDrive8, DefaultDrive8},
    {"DriveWarp", &Settings::DriveWarp, HighestDriveWarp, DefaultDriveWarp},
};
constexpr int RangedSettingCount = sizeof RangedSettings / sizeof RangedSettings[0];

// The values replaced at the last reading, for the log that opens later.
struct OutOfRange {
    const RangedSetting* setting;
    uint32_t value;
};
OutOfRange Replaced[RangedSettingCount];
int ReplacedCount = 0;

}  // namespace

void ApplySettingRanges(Settings& s)
{
    for (const RangedSetting& setting : RangedSettings) {
        uint32_t& value = s.*setting.field;
        if (value <= setting.highest)
            continue;
        if (ReplacedCount < RangedSettingCount)
            Replaced[ReplacedCount++] = {&setting, value};
        value = setting.fallback;
    }
}

void LogSettingsOutOfRange()
{
    for (int i = 0; i < ReplacedCount; i++) {
        const RangedSetting& setting = *Replaced[i].setting;
        LogLine("Warning: %s %u is out of range (0-%u); %u is used.\n", setting.name,
                static_cast<unsigned>(Replaced[i].value), static_cast<unsigned>(setting.highest),
                static_cast<unsigned>(setting.fallback));
    }
}

void ParseSettingsText(const std::string& text, Settings& s)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string name = Trim(line.substr(0, equals));
        std::string valueText = Trim(line.substr(equals + 1));
        for (const NamedSetting& setting : SettingNames) {
            if (strcasecmp(name.c_str(), setting.name) != 0)
                continue;
            uint32_t value;
            if (ParseValue(valueText, value))
                s.*setting.field = value;
            else  // a malformed value counts as missing: back to its default
                s.*setting.field = DefaultSettings().*setting.field;
            break;
        }
    }
}

std::string SettingsFilePath()
{
    const char* explicitPath = std::getenv("RAVLIN_SETTINGS");
    if (explicitPath && *explicitPath)
        return explicitPath;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config)
        return std::string(config) + "/ravlin/settings";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/ravlin/settings";
}


void ReadSettings()
{
    Config = DefaultSettings();
    ReplacedCount = 0;
    JoystickMode = StartupJoystick = Config.Joystick;
    std::ifstream file(SettingsFilePath(), std::ios::binary);
    if (!file)
        return;  // no settings file: every value keeps its default
    std::ostringstream contents;
    contents << file.rdbuf();
    ParseSettingsText(contents.str(), Config);
    ApplySettingRanges(Config);
    StartupJoystick = JoystickMode = Config.Joystick;
}
