// F7: joystick emulation, speed synchronisation and the sound switch, for
// the rest of the run, and the machine model for the next hard reset.  The
// only menu that keeps the window procedure running while it is open.
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "sound/sound.h"
#include "ui/menu_protocol.h"
#include "ui/menus.h"
#include "ui/text.h"

uint8_t SoundOn = 1;

namespace {

// What a line of the layout shows: fixed text, or one of the marks and the
// reports that depend on the settings and the machine.
enum class Shows : uint8_t { Text, JoystickMark, SyncMark, SoundMark, ModelMark, RomReport, RunningModel };

// The models' names as the menu shows them, by model number.
constexpr const char* ModelLines[3] = {" MACHINE: PLUS/4", " MACHINE: C16/C116 16K", " MACHINE: C16 64K"};

struct LayoutLine {
    uint8_t column, row;
    const char* text;
    uint8_t ink, paper;
    Shows shows;
    bool soundOnly;   // drawn only when sound emulation is on
};

constexpr LayoutLine DrawnOnEntry[] = {
    {0, 0, "RAVLIN OPTIONS                          ", 0x71, 0x5E, Shows::Text, false},
    {0, 24, "ESC-BACK                                ", 0x4F, 0x61, Shows::Text, false},
    {0, 24, "ESC", 0x3B, 0x61, Shows::Text, false},
};

constexpr LayoutLine DrawnEveryPass[] = {
    {0, 2, " JOYSTICK EMULATION WITH CURSOR KEYS:", 0x71, 0x00, Shows::Text, false},
    {0, 4, "  ( ) NONE", 0x57, 0x00, Shows::Text, false},
    {0, 5, "  ( ) JOY 1", 0x57, 0x00, Shows::Text, false},
    {0, 6, "  ( ) JOY 2", 0x57, 0x00, Shows::Text, false},
    {3, 4, "*", 0x57, 0x00, Shows::JoystickMark, false},   // row 4 + JoystickMode
    {1, 2, "J", 0x4F, 0x00, Shows::Text, false},
    {0, 8, " SPEED SYNC:", 0x71, 0x00, Shows::Text, false},
    {0, 10, "  ( ) NONE", 0x57, 0x00, Shows::Text, false},
    {0, 11, "  ( ) VERTICAL BLANK", 0x57, 0x00, Shows::Text, false},
    {0, 12, "  ( ) 50HZ TIMER", 0x57, 0x00, Shows::Text, false},
    {3, 10, "*", 0x57, 0x00, Shows::SyncMark, false},       // row 10 + Sync
    {1, 8, "S", 0x4F, 0x00, Shows::Text, false},
    {24, 8, " SOUND:", 0x71, 0x00, Shows::Text, true},
    {24, 10, "  ( ) ON", 0x57, 0x00, Shows::Text, true},
    {24, 11, "  ( ) OFF", 0x57, 0x00, Shows::Text, true},
    {27, 11, "*", 0x57, 0x00, Shows::SoundMark, true},      // row 11 - SoundOn
    {26, 8, "O", 0x4F, 0x00, Shows::Text, true},
    {0, 14, " MACHINE MODEL (AT THE NEXT HARD RESET):", 0x71, 0x00, Shows::Text, false},
    {0, 16, "  ( ) PLUS/4", 0x57, 0x00, Shows::Text, false},
    {0, 17, "  ( ) C16/C116 16K", 0x57, 0x00, Shows::Text, false},
    {0, 18, "  ( ) C16 64K", 0x57, 0x00, Shows::Text, false},
    {3, 16, "*", 0x57, 0x00, Shows::ModelMark, false},      // row 16 + Model
    {1, 14, "M", 0x4F, 0x00, Shows::Text, false},
    {0, 20, " SYSTEM INFO:", 0x71, 0x00, Shows::Text, false},
    {1, 22, " PLUS4 ROMS LOADED", 0x57, 0x00, Shows::RomReport, false},
    {1, 23, " MACHINE: PLUS/4", 0x57, 0x00, Shows::RunningModel, false},
};

void DrawLine(const LayoutLine& line)
{
    if (line.soundOnly && Config.SoundEmulation != 1)
        return;
    uint8_t row = line.row;
    const char* text = line.text;
    switch (line.shows) {
    case Shows::Text: break;
    case Shows::JoystickMark: row = static_cast<uint8_t>(row + JoystickMode); break;
    case Shows::SyncMark: row = static_cast<uint8_t>(row + Config.Sync); break;
    case Shows::SoundMark: row = static_cast<uint8_t>(row - SoundOn); break;
    case Shows::ModelMark: row = static_cast<uint8_t>(row + Config.Model); break;
    case Shows::RomReport:
        // Loaded and wired: the C16 models have no function ROM.
        if (!FunctionRomPresent())
            text = " PLUS4 ROMS NOT LOADED";
        break;
    case Shows::RunningModel: text = ModelLines[MachineModel <= ModelC16With64K ? MachineModel : 0]; break;
    }
    DrawText(line.column, row, text, line.ink, line.paper);
}

// One step through 0, 1, 2 and back to 0.
template <typename T>
void Cycle(T& setting)
{
    setting = setting + 1 > 2 ? 0 : setting + 1;
}

// Handles one waiting window message.  Returns false when the menu must
// end at once: the quit message is waiting (it stays in the queue for the
// main loop, which ends the program with its code), or the message just
// handled destroyed the window and released every device.
bool PumpOneMessage()
{
    Message message;
    if (!PeekMessage(&message))
        return true;
    if (message.message == WM_QUIT)
        return false;
    GetMessage(&message);
    TranslateMessage(&message);
    DispatchMessage(&message);
    return Ram64 != nullptr;
}

}  // namespace

void RunOptionsMenu()
{
    if (!Ram64) {   // the window is gone: nothing to show
        OptionsMenuRequest = 0;
        return;
    }
    ClearMenuWindow();
    for (const auto& line : DrawnOnEntry)
        DrawLine(line);
    SavedVolumes saved;
    EnterMenu(saved);
    PresentMenu();
    const uint8_t soundOnAtEntry = SoundOn;

    for (bool leaving = false; !leaving;) {
        if (!PumpOneMessage()) {
            OptionsMenuRequest = 0;
            return;
        }
        // In the background the menu shows its last picture and ignores the
        // keyboard.  It waits for the next message rather than spinning.
        if (AppActive == 0) {
            WaitMessage();
            continue;
        }
        for (const auto& line : DrawnEveryPass)
            DrawLine(line);
        PresentMenu();

        if (KeyPressed(DIK_J) == 1) {
            Cycle(JoystickMode);
            WaitKeyRelease(DIK_J);
        }
        if (KeyPressed(DIK_S) == 1) {
            Cycle(Config.Sync);
            WaitKeyRelease(DIK_S);
        }
        if (KeyPressed(DIK_M) == 1) {
            Cycle(Config.Model);
            WaitKeyRelease(DIK_M);
        }
        if (Config.SoundEmulation == 1 && KeyPressed(DIK_O) == 1) {
            SoundOn = static_cast<uint8_t>(1 - SoundOn);
            WaitKeyRelease(DIK_O);
            for (int i = 0; i < 9; i++)
                VolumeTable[i] = SoundOn == 1 ? DefaultVolumeTable[i] : DSBVOLUME_MIN;
        }
        if (KeyPressed(DIK_ESCAPE) == 1)
            leaving = true;
    }
    OptionsMenuRequest = 0;
    LeaveMenu(saved);
    // The volumes from before the menu belong to the old switch: off
    // silences what plays, on brings back what the sound registers say.
    if (SoundOn != soundOnAtEntry) {
        UpdateVoice1();
        UpdateVoice2();
    }
}
