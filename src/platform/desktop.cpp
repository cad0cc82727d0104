#include "platform/desktop.h"

#include <cstdio>

#include "drive/hardware_drive.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "platform/devices.h"
#include "platform/key_input.h"
#include "tape/datassette.h"

bool WarpOn = false;

namespace {

constexpr const char* ProgramTitle = "Ravlin - The C16/Plus4 Emulator";
constexpr int64_t MessageSeconds = 4;

struct Desktop {
    std::string message;
    int64_t messageUntil = 0;     // counter value
    std::string speed;            // "warp 3.1x" while warping
    int64_t speedSince = 0;       // counter at the start of the measured second
    uint64_t framesSince = 0;
    std::string shownTitle;
    uint8_t shownModel = 0xFF;    // the machine model the title names
    bool tapeWarp = false;        // TapeWarp running the machine unpaced
    int tapeCounter = -1;         // shown while the tape moves
    int driveTrack = -1;          // the 1541's track, shown while its motor runs
    bool driveLed = false;
};

Desktop& D()
{
    static Desktop desktop;
    return desktop;
}

void RefreshTitle()
{
    std::string title = CurrentWindowTitle();
    if (title == D().shownTitle || !MainWindow)
        return;
    D().shownTitle = title;
    SetPlatformWindowTitle(MainWindow, title.c_str());
}

// Screen codes 0-63 of the character set; '.' where the glyph has no ASCII
// equivalent (pound sign, arrows).  Codes 64-127 are graphics.
constexpr char ScreenCodeCharacters[65] =
    "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[.].."
    " !\"#$%&'()*+,-./0123456789:;<=>?";

// The tape's counter in the title while it moves; TapeWarp's pace and the
// sound muted with it; and a failed save of a recording reported.
void TapeFrame(Desktop& d)
{
    const int counter = TapeMoving ? static_cast<int>(TapeCounter()) : -1;
    const bool warp = TapeWarpActive();
    if (warp != d.tapeWarp) {
        d.tapeWarp = warp;
        UpdateSoundMute();
    }
    std::string problem = TakeTapeMessage();
    if (!problem.empty())
        ShowTitleMessage(problem);
    if (counter != d.tapeCounter) {
        d.tapeCounter = counter;
        RefreshTitle();
    }
}

// The 1541's track and LED in the title while its motor runs; DriveWarp's
// pace mutes the sound as TapeWarp's does; a failed write-back reported.
void DriveFrame(Desktop& d)
{
    const int track = HardwareDriveMotorOn() ? HardwareDriveTrack() : -1;
    const bool led = track >= 0 && HardwareDriveLedOn();
    const bool warp = TapeWarpActive();
    if (warp != d.tapeWarp) {
        d.tapeWarp = warp;
        UpdateSoundMute();
    }
    std::string problem = TakeHardwareDriveMessage();
    if (!problem.empty())
        ShowTitleMessage(problem);
    if (track != d.driveTrack || led != d.driveLed) {
        d.driveTrack = track;
        d.driveLed = led;
        RefreshTitle();
    }
}

}  // namespace

void ToggleWarp()
{
    WarpOn = !WarpOn;
    D().speedSince = QueryPerformanceCounter();
    D().framesSince = 0;
    D().speed = WarpOn ? "warp" : "";
    UpdateSoundMute();
    RefreshTitle();
}

void UpdateSoundMute()
{
    if (g_pDS)
        SoundSetMuted(g_pDS, AppActive == 0 || WarpOn || D().tapeWarp);
}

void ShowTitleMessage(const std::string& text)
{
    std::fprintf(stderr, "ravlin: %s\n", text.c_str());
    D().message = text;
    D().messageUntil = QueryPerformanceCounter() + MessageSeconds * QueryPerformanceFrequency();
    RefreshTitle();
}

std::string CurrentWindowTitle()
{
    const Desktop& d = D();
    std::string title = std::string(ProgramTitle) + " (" + MachineModelName(MachineModel) + ")";
    if (!d.message.empty())
        title += " - " + d.message;
    else if (!d.speed.empty())
        title += " - " + d.speed;
    if (d.tapeCounter >= 0 && TapeMoving) {
        char counter[24];
        std::snprintf(counter, sizeof counter, " - tape %03d", d.tapeCounter);
        title += counter;
    }
    if (d.driveTrack >= 0) {
        char drive[40];
        std::snprintf(drive, sizeof drive, " - drive 8 track %02d%s", d.driveTrack, d.driveLed ? " LED" : "");
        title += drive;
    }
    return title;
}

void DesktopFrame()
{
    // Once a frame: nothing is built or allocated unless the title changes.
    Desktop& d = D();
    if (d.shownModel != MachineModel) {   // a hard reset or a snapshot changed it
        d.shownModel = MachineModel;
        RefreshTitle();
    }
    if (TapeMoving || d.tapeCounter >= 0)
        TapeFrame(d);
    if (HardwareDriveOnBus())
        DriveFrame(d);
    if (d.message.empty() && !WarpOn)
        return;
    const int64_t now = QueryPerformanceCounter();
    const int64_t second = QueryPerformanceFrequency();
    bool changed = false;
    if (!d.message.empty() && now >= d.messageUntil) {
        d.message.clear();
        changed = true;
    }
    if (WarpOn) {
        d.framesSince++;
        if (now - d.speedSince >= second) {
            // 50 frames are one second of the machine's time.
            double times = static_cast<double>(d.framesSince) / 50.0 * static_cast<double>(second) /
                           static_cast<double>(now - d.speedSince);
            char text[32];
            std::snprintf(text, sizeof text, "warp %.1fx", times);
            d.speed = text;
            d.speedSince = now;
            d.framesSince = 0;
            changed = true;
        }
    }
    if (changed)
        RefreshTitle();
}

std::string ScreenText()
{
    std::string text;
    if (!Ram64)
        return text;
    // The video matrix: TED register 0xFF14 bits 3-7, the attributes first.
    const uint16_t matrix = static_cast<uint16_t>(((Ram64[0xFF14] & 0xF8) + 4) << 8);
    for (unsigned row = 0; row < 25; row++) {
        std::string line;
        for (unsigned col = 0; col < 40; col++) {
            uint8_t code = Ram64[RamAddress(static_cast<uint16_t>(matrix + 40 * row + col))] & 0x7F;   // the reverse bit
            line += code < 64 ? ScreenCodeCharacters[code] : '.';
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line;
        text += '\n';
    }
    return text;
}

void PasteClipboard()
{
    std::string text;
    if (!GetClipboardText(&text) || text.empty()) {
        ShowTitleMessage("the clipboard holds no text");
        return;
    }
    size_t skipped = KeyInputTypeText(text);
    if (skipped > 0)
        ShowTitleMessage("paste: skipped " + std::to_string(skipped) + " characters the machine cannot type");
}

void CopyScreenToClipboard()
{
    std::string text = ScreenText();
    while (text.size() >= 2 && text[text.size() - 1] == '\n' && text[text.size() - 2] == '\n')
        text.pop_back();
    if (!SetClipboardText(text.c_str()))
        ShowTitleMessage("cannot copy to the clipboard");
    else
        ShowTitleMessage("screen copied");
}

void ResetDesktopState()
{
    WarpOn = false;
    D() = Desktop{};
}
