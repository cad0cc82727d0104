// Settings file parsing and the log header built from the settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "support/test_support.h"

namespace {

Settings Parse(const std::string& text)
{
    Settings s = DefaultSettings();
    ParseSettingsText(text, s);
    return s;
}

TEST(Settings, DefaultsWhenNothingIsSet)
{
    Settings s = Parse("");
    EXPECT_EQ(s.ScreenMode, 0u);
    EXPECT_EQ(s.Priority, 0u);
    EXPECT_EQ(s.SoundEmulation, 1u);
    EXPECT_EQ(s.Debugger, 0u);
    EXPECT_EQ(s.Sync, 2u);   // paced by the 50 Hz timer
    EXPECT_EQ(s.KeyboardMap, 1u);   // symbolic
    EXPECT_EQ(s.Accuracy, 1u);   // the measured machine
    EXPECT_EQ(s.OpenRom, 0u);    // the Commodore images when they are found
    EXPECT_EQ(s.ModeX, 0u);
    EXPECT_EQ(s.Plus4ROMS, 0u);
    EXPECT_EQ(s.Joystick, 0u);
    EXPECT_EQ(s.Log, 0u);
}

TEST(Settings, NamesIgnoreCaseAndValuesMayBeHex)
{
    Settings s = Parse("screenmode=2\nSYNC = 0x2\n  joystick=1  \nLOG=0X10\nsoundemulation=0\nopenrom=1\n");
    EXPECT_EQ(s.OpenRom, 1u);
    EXPECT_EQ(s.ScreenMode, 2u);
    EXPECT_EQ(s.Sync, 2u);
    EXPECT_EQ(s.Joystick, 1u);
    EXPECT_EQ(s.Log, 16u);
    EXPECT_EQ(s.SoundEmulation, 0u);
}

TEST(Settings, GarbageMeansTheValueIsMissing)
{
    Settings s = Parse(
        "# a comment\n"
        "\n"
        "SoundEmulation=zero\n"      // not a number: default 1
        "ScreenMode=4294967296\n"    // past 32 bits: default 0
        "Sync=0x1FFFFFFFF\n"
        "Priority=12abc\n"
        "Debugger=\n"
        "Unknown=5\n"
        "just some words\n"
        "=7\n"
        "Log=4294967295\n");
    EXPECT_EQ(s.SoundEmulation, 1u);
    EXPECT_EQ(s.ScreenMode, 0u);
    EXPECT_EQ(s.Sync, 2u);
    EXPECT_EQ(s.Priority, 0u);
    EXPECT_EQ(s.Debugger, 0u);
    EXPECT_EQ(s.Log, 0xFFFFFFFFu);
}

TEST(Settings, BinaryJunkDoesNotCrash)
{
    std::string junk;
    uint32_t state = 12345;
    for (int i = 0; i < 20000; i++) {
        state = state * 1103515245u + 12345u;
        junk.push_back(static_cast<char>(state >> 16));
    }
    Settings s = Parse(junk);
    (void)s;
}

TEST(Settings, PathFollowsTheEnvironment)
{
    ScratchDirectory dir;   // sets RAVLIN_SETTINGS
    EXPECT_EQ(SettingsFilePath(), dir.path + "/settings");
    unsetenv("RAVLIN_SETTINGS");
    setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(SettingsFilePath(), "/tmp/xdg/ravlin/settings");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsFilePath(), "/home/someone/.config/ravlin/settings");
}

TEST(Settings, MissingFileGivesDefaultsAndJoystickIsCopied)
{
    ScratchDirectory dir;
    Config.Sync = 7;
    ReadSettings();
    EXPECT_EQ(Config.Sync, 2u);
    EXPECT_EQ(Config.SoundEmulation, 1u);
    // Out of range: the default, and a line for the log.
    dir.WriteText("settings", "Sync=3\nKeyboardMap=0x10\n");
    ReadSettings();
    EXPECT_EQ(Config.Sync, 2u);
    EXPECT_EQ(Config.KeyboardMap, 1u);
    dir.WriteText("settings", "Sync=0\nKeyboardMap=0\n");
    ReadSettings();
    EXPECT_EQ(Config.Sync, 0u);
    EXPECT_EQ(Config.KeyboardMap, 0u);
    dir.WriteText("settings", "Joystick=2\n");
    ReadSettings();
    EXPECT_EQ(JoystickMode, 2u);
    EXPECT_EQ(StartupJoystick, 2u);
    // Past the last choice: the default, for the joystick copies too.
    dir.WriteText("settings", "Joystick=3\nSync=5\nScreenMode=7\nPriority=0xFFFFFFFF\nLog=9\n");
    ReadSettings();
    EXPECT_EQ((std::vector<uint32_t>{Config.Joystick, JoystickMode, Config.Sync, Config.ScreenMode, Config.Priority}),
              (std::vector<uint32_t>{DefaultJoystick, DefaultJoystick, DefaultSync, DefaultScreenMode, DefaultPriority}));
    EXPECT_EQ(Config.Log, 9u);   // nonzero is on: no range
    Config = DefaultSettings();
    JoystickMode = StartupJoystick = 0;
}

std::string HeaderFor(const std::string& settingsText)
{
    ScratchDirectory dir;
    dir.WriteText("settings", settingsText);
    ReadSettings();
    FramePeriod = 20000000;
    EXPECT_TRUE(OpenLog());
    WriteLogHeader();
    CloseLog();
    std::string text = dir.ReadText("Ravlin.log");
    Config = DefaultSettings();
    return text;
}

TEST(LogHeader, ValuesOutOfRangeAreLoggedWithTheDefaultUsed)
{
    std::string header =
        HeaderFor("Log=1\nScreenMode=9\nSync=5\nJoystick=3\nPriority=4\nKeyboardMap=2\nAccuracy=2\nModel=3\n"
                  "Drive8=2\nDriveWarp=7\n");
    const std::string sync = std::to_string(DefaultSync);
    EXPECT_NE(header.find("Screenmode: 320x200\n"), std::string::npos) << header;
    EXPECT_NE(header.find("Synchronization: " + sync + "\nJoystick: 0\n50Hz performance frequency: 20000000\n\n"
                          "Warning: ScreenMode 9 is out of range (0-6); 0 is used.\n"
                          "Warning: Priority 4 is out of range (0-2); 0 is used.\n"
                          "Warning: Sync 5 is out of range (0-2); " + sync + " is used.\n"
                          "Warning: Joystick 3 is out of range (0-2); 0 is used.\n"
                          "Warning: KeyboardMap 2 is out of range (0-1); 1 is used.\n"
                          "Warning: Accuracy 2 is out of range (0-1); 1 is used.\n"
                          "Warning: Model 3 is out of range (0-2); 0 is used.\n"
                          "Warning: Drive8 2 is out of range (0-1); 1 is used.\n"
                          "Warning: DriveWarp 7 is out of range (0-1); 1 is used.\n"),
              std::string::npos)
        << header;
}

TEST(LogHeader, FlagsAreLoggedAsEnabledOnlyForOne)
{
    std::string header = HeaderFor("Log=1\nModeX=2\nDebugger=2\nPlus4ROMS=1\nSoundEmulation=0\nScreenMode=5\n"
                                   "Priority=2\nSync=2\nJoystick=1\n");
    EXPECT_EQ(header,
              "Ravlin log file created. Version " RAVLIN_PROJECT_VERSION "\n\n"
              "Screenmode: 640x480 Full\n"
              "Sound emulation: Disabled\n"
              "Plus4 ROMs: Enabled\n"
              "ModeX: Disabled\n"
              "Debugger: Disabled\n"
              "Process priority: 2\n"
              "Synchronization: 2\n"
              "Joystick: 1\n"
              "50Hz performance frequency: 20000000\n"
              "\n");
}

}  // namespace
