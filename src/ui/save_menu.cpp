// Shift+F8: a memory range as a program file, or the whole machine as a
// snapshot, written into the current directory.  One save or one cancel,
// then the menu closes.
#include <algorithm>
#include <cstring>

#include "files/program_file.h"
#include "files/snapshot_file.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "ui/menu_protocol.h"
#include "ui/menus.h"
#include "ui/outcome.h"
#include "ui/text.h"
#include "ui/text_entry.h"

namespace {

constexpr int PageLeave = 1;
constexpr int PageProgram = 2;
constexpr int PageSnapshot = 3;
constexpr int PageSaveProgram = 10;
constexpr int PageSaveSnapshot = 11;

// The page loop.
constexpr Label TitleBar = {0, 0, "     SAVE PROGRAM  -  SAVE SNAPSHOT     ", 0x46, 0x33};
constexpr Label ProgramName = {5, 0, "SAVE PROGRAM", 0x71, 0x33};
constexpr Label SnapshotName = {22, 0, "SAVE SNAPSHOT", 0x71, 0x33};
constexpr Label Help[] = {
    {0, 24, "ESC-BACK ENTER-SAVE                     ", 0x4F, 0x61},
    {0, 24, "ESC", 0x3B, 0x61},
    {9, 24, "ENTER", 0x3B, 0x61},
};
constexpr Label ProgramPrompt = {0, 5, "   PRESS ENTER TO SAVE A MEMORY AREA    ", 0x71, 0x00};
constexpr Label SnapshotPrompt = {0, 5, "     PRESS ENTER TO SAVE A SNAPSHOT     ", 0x71, 0x00};

// The dialogue after Enter.
constexpr Label EnterFilename = {0, 8, "             ENTER FILENAME:            ", 0x71, 0x00};
constexpr Label StartPrompt = {10, 12, "START ADDRESS: $", 0x71, 0x00};
constexpr Label EndPrompt = {10, 14, "  END ADDRESS: $", 0x71, 0x00};
constexpr Label Illegal = {0, 18, "     ILLEGAL START AND END ADDRESS      ", 0x3B, 0x00};

constexpr uint8_t NameColumn = 10, NameRow = 10, AddressColumn = 26, StartRow = 12, EndRow = 14;
constexpr uint8_t FieldInk = 0x71, FieldPaper = 0x14;
constexpr int NameLength = 20;

void DrawPage(int page)
{
    ClearMenuWindow();
    Draw(TitleBar);
    Draw(page == PageProgram ? ProgramName : SnapshotName);
    for (const auto& label : Help)
        Draw(label);
    Draw(page == PageProgram ? ProgramPrompt : SnapshotPrompt);
}

int ChoosePage()
{
    int page = PageProgram;
    for (;;) {
        DrawPage(page);
        PresentMenu();
        if (KeyPressed(DIK_ESCAPE) == 1)
            page = PageLeave;
        if (KeyPressed(DIK_RIGHT) == 1) {
            page = std::min(page + 1, PageSnapshot);
            WaitKeyRelease(DIK_RIGHT);
        }
        if (KeyPressed(DIK_LEFT) == 1) {
            page = std::max(page - 1, PageProgram);
            WaitKeyRelease(DIK_LEFT);
        }
        if (page == PageProgram && KeyPressed(DIK_RETURN) == 1)
            page = PageSaveProgram;
        if (page == PageSnapshot && KeyPressed(DIK_RETURN) == 1)
            page = PageSaveSnapshot;
        if (page == PageLeave || page == PageSaveProgram || page == PageSaveSnapshot)
            return page;
    }
}

// The name field, then the name with its extension drawn over it.
bool AskName(const char* extension, char* name)
{
    Draw(EnterFilename);
    PresentMenu();
    if (EnterText(NameColumn, NameRow, NameLength, name) != EntryConfirmed)
        return false;
    std::strcat(name, extension);
    DrawText(NameColumn, NameRow, name, FieldInk, FieldPaper);
    return true;
}

// An address field; what was typed is padded on the left with '0' to four
// digits (nothing typed reads as 0000).
bool AskAddress(const Label& prompt, uint8_t row, char* digits)
{
    Draw(prompt);
    char typed[5] = {};
    if (EnterHex(AddressColumn, row, 4, typed) != EntryConfirmed)
        return false;
    size_t length = std::strlen(typed);
    std::memset(digits, '0', 4 - length);
    std::memcpy(digits + 4 - length, typed, length + 1);
    DrawText(AddressColumn, row, digits, FieldInk, FieldPaper);
    return true;
}

void SaveProgram()
{
    char name[NameLength + 8] = {};
    char start[5] = {}, end[5] = {};
    if (!AskName(".PRG", name) || !AskAddress(StartPrompt, StartRow, start) || !AskAddress(EndPrompt, EndRow, end))
        return;
    uint16_t from = ParseHex4(start), to = ParseHex4(end);
    if (from < to)
        Draw(SaveProgramFile(name, from, to) ? OperationSuccessful : OperationFailed);
    else
        Draw(Illegal);   // nothing is written
    WaitForEnterToContinue();
}

void SaveSnapshot()
{
    char name[NameLength + 8] = {};
    if (!AskName(".FRE", name))
        return;
    Draw(SaveSnapshotFile(name) ? OperationSuccessful : OperationFailed);
    WaitForEnterToContinue();
}

}  // namespace

void RunSaveMenu()
{
    if (!Ram64) {   // the window is gone: nothing to show
        SaveMenuRequest = 0;
        ShiftHeld = 0;
        return;
    }
    SavedVolumes saved;
    EnterMenu(saved);
    int page = ChoosePage();
    WaitKeyRelease(DIK_RETURN);
    if (page == PageSaveProgram)
        SaveProgram();
    else if (page == PageSaveSnapshot)
        SaveSnapshot();
    WaitKeyRelease(DIK_RETURN);
    SaveMenuRequest = 0;
    // Shift may have been released while the menu kept the messages queued;
    // without this, the next F8 would open this menu again.
    ShiftHeld = 0;
    LeaveMenu(saved);
}
