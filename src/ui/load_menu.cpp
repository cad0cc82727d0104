// F8: the file browser.  Five pages side by side (PROGRAM, SNAPSHOT, TAPE,
// DISK, CART); PROGRAM and SNAPSHOT list the current directory, walk the tree,
// change drive and load the chosen file; TAPE does the same with tape images
// and works the datassette (tape_page.cpp); DISK attaches a disk image as
// drive 8 and loads from it (disk_page.cpp); CART plugs cartridges in and out
// (cart_page.cpp).  Walking the tree changes the process's current directory
// for good, and so where the save menu writes.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <strings.h>
#include <system_error>

#include "files/program_file.h"
#include "files/snapshot_file.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "sound/sound.h"
#include "tape/datassette.h"
#include "ui/cart_page.h"
#include "ui/disk_page.h"
#include "ui/file_listing.h"
#include "ui/menu_protocol.h"
#include "ui/menus.h"
#include "ui/outcome.h"
#include "ui/tape_page.h"
#include "ui/text.h"

namespace fs = std::filesystem;

namespace {

// The page; when the loop ends it holds the outcome.
constexpr int PageLeave = 1;
constexpr int PageProgram = 2;
constexpr int PageSnapshot = 3;
constexpr int PageTape = 4;
constexpr int PageDisk = 5;
constexpr int PageCart = 6;
constexpr int PageLoadProgram = 10;
constexpr int PageLoadSnapshot = 11;
constexpr int PageLoadFromDisk = 12;
// Right and Left step through the pages in this order.
static_assert(PageSnapshot == PageProgram + 1 && PageTape == PageSnapshot + 1 && PageDisk == PageTape + 1 &&
              PageCart == PageDisk + 1);

constexpr int ListRows = 15;
constexpr int FirstListRow = 6;

constexpr Label TitleBar = {0, 0, " PROGRAM - SNAPSHOT - TAPE - DISK - CART", 0x46, 0x33};
// The current page's name over the bar, for pages 2-6.
constexpr Label PageNames[5] = {
    {1, 0, "PROGRAM", 0x71, 0x33},
    {11, 0, "SNAPSHOT", 0x71, 0x33},
    {22, 0, "TAPE", 0x71, 0x33},
    {29, 0, "DISK", 0x71, 0x33},
    {36, 0, "CART", 0x71, 0x33},
};
constexpr Label ProgramHelp[] = {
    {0, 24, "ESC-BACK ENTER-LOAD UP/DOWN-MOVE D-DRIVE", 0x4F, 0x61},
    {0, 24, "ESC", 0x3B, 0x61},
    {9, 24, "ENTER", 0x3B, 0x61},
    {20, 24, "UP", 0x3B, 0x61},
    {23, 24, "DOWN", 0x3B, 0x61},
    {33, 24, "D", 0x45, 0x61},
};
constexpr Label SnapshotHelp[] = {
    {0, 24, "ESC-BACK ENTER-LOAD UP/DOWN-MOVE        ", 0x4F, 0x61},
    {0, 24, "ESC", 0x3B, 0x61},
    {9, 24, "ENTER", 0x3B, 0x61},
    {20, 24, "UP", 0x3B, 0x61},
    {23, 24, "DOWN", 0x3B, 0x61},
};
constexpr Label SelectPrompt = {9, 2, "SELECT A FILE TO LOAD:", 0x71, 0x00};
constexpr Label NoFiles = {15, 5, "NO FILES.", 0x58, 0x00};
constexpr uint8_t PathColumnCentre = 20, PathRow = 4, PathInk = 0x46;
constexpr uint8_t DrivesColumn = 1, DriveLettersColumn = 9, DrivesRow = 22;
constexpr const char* Blank24 = "                        ";

// The drives the user can change to.  This system has a single tree; its
// root "/" is the one drive, shown by its first character.
constexpr char DriveLetters[] = {'/'};
constexpr int DriveCount = sizeof DriveLetters;
const char* DrivePath(int) { return "/"; }

struct PageState {
    Listing* listing;
    const char* pattern;
    int selection = 0;
    int top = 0;
};

struct LoadMenu {
    int page = PageProgram;
    bool driveMode = false;
    int driveCursor = 0;
    PageState program{&ProgramList, "*.PRG"};
    PageState snapshot{&SnapshotList, "*.FRE"};
    PageState tape{&TapeList, "*.TAP"};
    PageState disk{&DiskList, "*.D64"};
    PageState diskView{&DiskViewList, nullptr};   // filled from drive 8
    PageState cart{&CartList, "*.BIN;*.ROM"};
    DiskPage diskPage;
    TapePage tapePage;
    CartPage cartPage;

    bool ShowsDisk() const { return page == PageDisk && diskPage.showingDisk; }
    PageState& Current()
    {
        switch (page) {
        case PageDisk: return diskPage.showingDisk ? diskView : disk;
        case PageTape: return tape;
        case PageCart: return cart;
        case PageSnapshot: return snapshot;
        default: return program;
        }
    }
};

std::string CurrentDirectoryText()
{
    std::error_code ec;
    std::string path = fs::current_path(ec).string();
    return ec ? std::string() : path;
}

void ChangeDirectory(const char* name)
{
    // A directory that can't be entered leaves us where we are.
    std::error_code ec;
    fs::current_path(name, ec);
}

void Rebuild(PageState& state)
{
    if (state.listing == &TapeList)
        BuildTapeList();   // the new tape's entry first
    else if (state.pattern)   // the drive's directory is read when it is shown
        BuildListing(*state.listing, state.pattern);
}

// The name after the last separator: the directory about to be left.
std::string LastComponent(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void DrawPageHeader(const LoadMenu& menu)
{
    Draw(PageNames[menu.page - PageProgram]);
    if (menu.page == PageProgram || menu.page == PageTape || menu.page == PageCart ||
        (menu.page == PageDisk && !menu.ShowsDisk()))
        for (const auto& label : ProgramHelp) Draw(label);
    else
        for (const auto& label : SnapshotHelp) Draw(label);
    if (menu.page == PageDisk) {
        DrawDiskPageLines(menu.diskPage);
        if (menu.ShowsDisk())
            return;   // the disk's name stands where the path would
    } else if (menu.page == PageTape) {
        DrawTapePageLines(menu.tapePage);
    } else if (menu.page == PageCart) {
        DrawCartPageLines(menu.cartPage);
    } else {
        Draw(SelectPrompt);
    }
    // A path of 40 characters or more doesn't fit the line and isn't shown.
    std::string path = CurrentDirectoryText();
    if (!path.empty() && path.size() < 40)
        DrawText(static_cast<uint8_t>(PathColumnCentre - path.size() / 2), PathRow, path.c_str(), PathInk, 0x00);
}

void DrawDrives(LoadMenu& menu)
{
    if (!menu.driveMode) {
        DrawText(DrivesColumn, DrivesRow, "DRIVES:", 0x41, 0x00);
        std::string path = CurrentDirectoryText();
        for (int k = 0; k < DriveCount; k++) {
            bool current = !path.empty() && path[0] == DriveLetters[k];
            if (current)
                menu.driveCursor = k;
            DrawChar(static_cast<uint8_t>(DriveLettersColumn + k), DrivesRow, static_cast<uint8_t>(DriveLetters[k]),
                     current ? 0x71 : 0x23, 0x00);
        }
    } else {
        DrawText(DrivesColumn, DrivesRow, "DRIVES:", 0x71, 0x00);
        for (int k = 0; k < DriveCount; k++) {
            bool cursor = k == menu.driveCursor;
            DrawChar(static_cast<uint8_t>(DriveLettersColumn + k), DrivesRow, static_cast<uint8_t>(DriveLetters[k]),
                     cursor ? 0x71 : 0x23, cursor ? 0x43 : 0x00);
        }
    }
}

// The kind of the selected entry, or 0 when nothing is selected: the
// listing is empty, or was rebuilt shorter under a selection that stayed.
uint8_t SelectedKind(const PageState& state)
{
    if (state.selection >= state.listing->count)
        return 0;
    return state.listing->entries[state.selection].kind;
}

// Enter on a directory.  Going up ("..") selects the directory just left,
// found without regard to case.
void EnterDirectory(PageState& state)
{
    const ListingEntry& entry = state.listing->entries[state.selection];
    if (IsParent(entry)) {
        std::string left = LastComponent(CurrentDirectoryText());
        ChangeDirectory(entry.fullName);
        Rebuild(state);
        const Listing& listing = *state.listing;
        for (int i = 0; i < listing.count; i++)
            if (strcasecmp(listing.entries[i].fullName, left.c_str()) == 0) {
                state.selection = i;
                break;
            }
        state.selection = std::max(0, std::min(state.selection, listing.count - 1));
        state.top = state.selection <= 14 ? 0 : state.selection - 8;
    } else {
        ChangeDirectory(entry.fullName);
        Rebuild(state);
        state.selection = state.top = 0;
    }
    WaitKeyRelease(DIK_RETURN);
}

void ListKeys(LoadMenu& menu, PageState& state)
{
    int& selection = state.selection;
    int& top = state.top;
    if (KeyPressed(DIK_RETURN) == 1 && SelectedKind(state) == EntryDirectory)
        EnterDirectory(state);
    if (KeyPressed(DIK_D) == 1 && state.pattern)
        menu.driveMode = true;
    const int count = state.listing->count;
    if (count == 0)
        return;   // nothing to move over: the selection stays 0
    if (KeyPressed(DIK_DOWN) == 1 && selection < count - 1) {
        selection++;
        if (selection > top + 14)
            top++;
    }
    if (KeyPressed(DIK_UP) == 1 && selection > 0) {
        selection--;
        if (selection < top)
            top--;
    }
    if (KeyPressed(DIK_HOME) == 1)
        selection = top = 0;
    if (KeyPressed(DIK_END) == 1) {
        selection = count - 1;
        top = std::max(0, count - ListRows);
    }
    if (KeyPressed(DIK_NEXT) == 1) {
        selection = std::min(selection + ListRows, count - 1);
        top = std::max(0, std::min(top + ListRows, count - ListRows));
    }
    if (KeyPressed(DIK_PRIOR) == 1) {
        selection = std::max(selection - ListRows, 0);
        top = std::max(top - ListRows, 0);
    }
}

void DriveKeys(LoadMenu& menu, PageState& state)
{
    if (KeyPressed(DIK_RIGHT) == 1) {
        if (menu.driveCursor < DriveCount - 1)
            menu.driveCursor++;
        WaitKeyRelease(DIK_RIGHT);
    }
    if (KeyPressed(DIK_LEFT) == 1) {
        if (menu.driveCursor > 0)
            menu.driveCursor--;
        WaitKeyRelease(DIK_LEFT);
    }
    if (KeyPressed(DIK_RETURN) == 1) {
        ChangeDirectory(DrivePath(menu.driveCursor));
        menu.driveMode = false;
        Rebuild(state);
        state.selection = state.top = 0;
        WaitKeyRelease(DIK_RETURN);
    }
    if (KeyPressed(DIK_ESCAPE) == 1) {
        WaitKeyRelease(DIK_ESCAPE);
        menu.driveMode = false;
    }
}

// Names begin at column 10; the drive's directory lines, whose blocks come
// first, at 8.
void DrawList(const PageState& state, uint8_t nameColumn = 10)
{
    const Listing& listing = *state.listing;
    if (listing.count == 0) {
        Draw(NoFiles);
        return;
    }
    for (int i = state.top; i < state.top + ListRows; i++) {
        auto row = static_cast<uint8_t>(i - state.top + FirstListRow);
        if (i >= listing.count) {
            DrawText(8, row, Blank24, 0x71, 0x00);
            continue;
        }
        const ListingEntry& entry = listing.entries[i];
        bool directory = entry.kind != EntryFile;   // and the disk page's actions
    // A long name is cut at the window's right edge.
        if (i == state.selection) {
            DrawText(8, row, Blank24, 0x71, 0x51);
            DrawTextToEdge(nameColumn, row, entry.name, directory ? 0x43 : 0x71, 0x51);
        } else {
            DrawText(8, row, Blank24, 0x71, 0x00);
            DrawTextToEdge(nameColumn, row, entry.name, directory ? 0x23 : 0x61, 0x00);
        }
    }
}

// Why a page can't be used, in capitals, over two rows when it is long.
void DrawAbsence(const char* reason)
{
    std::string text = reason;
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    DrawTextToEdge(2, 2, text.c_str(), 0x71, 0x00);
}

// Down, Up, Page Up and Page Down move at once, then at the keyboard's
// auto-repeat pace while held.
void PaceMovementKeys()
{
    for (uint8_t key : {DIK_DOWN, DIK_UP, DIK_PRIOR, DIK_NEXT})
        if (KeyPressed(key) == 1)
            KeyRepeat(key);
}

// Enter on the DISK page: an image attaches and its directory is shown; in
// the directory, a program is loaded, the two actions go back to the folder
// (detaching drive 8 or not).
void DiskPageEnter(LoadMenu& menu)
{
    PageState& state = menu.Current();
    if (!menu.diskPage.showingDisk) {
        if (SelectedKind(state) != EntryFile)
            return;
        AttachFromDiskPage(menu.diskPage, state.listing->entries[state.selection].fullName);
        menu.diskView.selection = menu.diskView.top = 0;
    } else if (ChooseInDiskView(menu.diskPage, state.selection)) {
        menu.page = PageLoadFromDisk;
        return;
    } else if (!menu.diskPage.showingDisk) {
        Rebuild(menu.disk);
    }
    WaitKeyRelease(DIK_RETURN);
}

void RebuildAll(LoadMenu& menu)
{
    Rebuild(menu.program);
    Rebuild(menu.snapshot);
    Rebuild(menu.tape);
    Rebuild(menu.disk);
    Rebuild(menu.cart);
}

void PageKeys(LoadMenu& menu)
{
    if (KeyPressed(DIK_ESCAPE) == 1)
        menu.page = PageLeave;
    if (KeyPressed(DIK_RIGHT) == 1) {
        menu.page = std::min(menu.page + 1, PageCart);
        WaitKeyRelease(DIK_RIGHT);
        RebuildAll(menu);
    }
    if (KeyPressed(DIK_LEFT) == 1) {
        menu.page = std::max(menu.page - 1, PageProgram);
        WaitKeyRelease(DIK_LEFT);
        RebuildAll(menu);
    }
    if (KeyPressed(DIK_RETURN) == 1 && menu.page == PageTape) {
        TapePageEnter(menu.tapePage, menu.tape.selection);
        WaitKeyRelease(DIK_RETURN);
    }
    if (KeyPressed(DIK_RETURN) == 1 && menu.page == PageCart) {
        CartPageEnter(menu.cartPage, menu.cart.selection);
        WaitKeyRelease(DIK_RETURN);
    }
    if (KeyPressed(DIK_RETURN) == 1 && (menu.page == PageProgram || menu.page == PageSnapshot)) {
        if (SelectedKind(menu.Current()) == EntryFile)
            menu.page = menu.page == PageProgram ? PageLoadProgram : PageLoadSnapshot;
    }
    if (KeyPressed(DIK_RETURN) == 1 && menu.page == PageDisk)
        DiskPageEnter(menu);
}

}  // namespace

void RunLoadMenu()
{
    if (!Ram64) {   // the window is gone: nothing to show
        LoadMenuRequest = 0;
        return;
    }
    LoadMenu menu;
    SavedVolumes saved;
    EnterMenu(saved);
    Rebuild(menu.program);
    SnapshotList.count = 0;   // built at the first page change
    TapeList.count = 0;
    DiskList.count = 0;
    CartList.count = 0;
    StartDiskPage(menu.diskPage);

    for (;;) {
        ClearMenuWindow();
        Draw(TitleBar);
        if (menu.page == PageTape && !DatassettePresent()) {
            // No datassette (the open ROM has no tape code): only why.
            Draw(PageNames[menu.page - PageProgram]);
            DrawAbsence(DatassetteAbsentReason());
        } else {
            PageState& state = menu.Current();
            DrawPageHeader(menu);
            if (!menu.ShowsDisk())
                DrawDrives(menu);
            PaceMovementKeys();
            if (!menu.driveMode) {
                ListKeys(menu, state);
                if (menu.page == PageTape)
                    TapePageKeys(menu.tapePage);
                if (menu.page == PageCart)
                    CartPageKeys(menu.cartPage);
            } else {
                DriveKeys(menu, state);
            }
            DrawList(state, menu.ShowsDisk() ? 8 : 10);
        }
        PresentMenu();
        if (!menu.driveMode)
            PageKeys(menu);
        if (menu.page == PageLeave || menu.page == PageLoadProgram || menu.page == PageLoadSnapshot ||
            menu.page == PageLoadFromDisk)
            break;
    }

    bool loaded = true;
    if (menu.page == PageLoadProgram && ProgramList.count > 0)
        loaded = LoadProgramFile(ProgramList.entries[menu.program.selection].fullName);
    if (menu.page == PageLoadSnapshot && SnapshotList.count > 0)
        loaded = LoadSnapshotFile(SnapshotList.entries[menu.snapshot.selection].fullName);
    if (menu.page == PageLoadFromDisk)
        LoadFromDiskView(menu.diskPage, menu.diskView.selection);
    WaitKeyRelease(DIK_RETURN);
    if (!loaded) {
        // The file changed since it was listed, or is no program or
        // snapshot at all: the machine is as it was, and the user is told.
        ClearMenuWindow();
        Draw(TitleBar);
        Draw(PageNames[(menu.page == PageLoadProgram ? PageProgram : PageSnapshot) - PageProgram]);
        Draw(OperationFailed);
        WaitForEnterToContinue();
    }
    LoadMenuRequest = 0;
    LeaveMenu(saved);
    // The volumes from before the menu belong to the program the snapshot
    // replaced: the voices play what the restored registers say.
    if (loaded && menu.page == PageLoadSnapshot) {
        UpdateVoice1();
        UpdateVoice2();
    }
}
