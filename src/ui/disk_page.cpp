#include "ui/disk_page.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "drive/drive.h"
#include "files/program_file.h"
#include "platform/desktop.h"
#include "ui/text.h"

Listing DiskList;
Listing DiskViewList;

namespace {

constexpr Label PickDisk = {8, 2, "SELECT A DISK TO ATTACH:", 0x71, 0x00};
constexpr Label PickFile = {9, 2, "SELECT A FILE TO LOAD:", 0x71, 0x00};
constexpr uint8_t HeaderRow = 4, HeaderInk = 0x46;
constexpr uint8_t DriveRow = 23;
constexpr size_t DriveLineRoom = 29;   // columns 10-38

// A PETSCII byte as the menu's text shows it: letters, digits and
// punctuation as themselves, anything else (graphics) as '?'.
char ShownCharacter(uint8_t b)
{
    if (b >= 0x20 && b <= 0x5D)
        return static_cast<char>(b);
    if ((b >= 0xC1 && b <= 0xDA) || (b >= 0x61 && b <= 0x7A))
        return static_cast<char>(b & 0x5F);   // the other letter set
    return '?';
}

std::string Shown(const std::vector<uint8_t>& petscii)
{
    std::string text;
    for (uint8_t b : petscii)
        text += ShownCharacter(b);
    return text;
}

void Add(DiskPage& page, const std::string& text, uint8_t kind, std::vector<uint8_t> name = {},
         const std::string& type = "", uint16_t blocks = 0)
{
    if (DiskViewList.count >= ListingMaxEntries)
        return;
    ListingEntry& entry = DiskViewList.entries[DiskViewList.count++];
    std::snprintf(entry.name, sizeof entry.name, "%s", text.c_str());
    std::snprintf(entry.fullName, sizeof entry.fullName, "%s", text.c_str());
    entry.kind = kind;
    page.names.push_back(std::move(name));
    page.types.push_back(type);
    page.blocks.push_back(blocks);
}

bool IsProgram(const DiskPage& page, int selection)
{
    return selection >= 0 && selection < DiskViewList.count && page.types[static_cast<size_t>(selection)] == "PRG";
}

}  // namespace

void StartDiskPage(DiskPage& page)
{
    page = DiskPage{};
    DiskViewList.count = 0;
    if (DriveAttached())
        ReadDiskView(page);
}

void ReadDiskView(DiskPage& page)
{
    DiskViewList.count = 0;
    page.names.clear();
    page.types.clear();
    page.blocks.clear();
    page.showingDisk = true;
    Add(page, "    <BACK TO THE FOLDER>", EntryBackToFolder);
    Add(page, "    <DETACH DRIVE 8>", EntryDetach);
    if (DriveTabSwitchable())
        Add(page, DriveWriteProtected() ? "    <WRITE PROTECT: ON>" : "    <WRITE PROTECT: OFF>", EntryWriteProtect);
    DriveDirectory directory;
    if (!DriveReadDirectory(&directory)) {
        page.header = "CAN'T READ THE DIRECTORY";
        return;
    }
    page.header = "\"" + Shown(directory.diskName) + "\" " + Shown(directory.diskId) + " " + Shown(directory.dosType);
    for (const DriveDirectoryEntry& file : directory.entries) {
        // Blocks, name and type in the columns of the drive's own listing.
        char line[64];
        std::snprintf(line, sizeof line, "%3u %-16s %s", file.blocks, Shown(file.name).c_str(), file.type.c_str());
        Add(page, line, EntryFile, file.name, file.type, file.blocks);
    }
}

void AttachFromDiskPage(DiskPage& page, const char* fileName)
{
    std::error_code ec;
    std::string path = std::filesystem::absolute(fileName, ec).string();
    std::string message;
    if (ec || !DriveAttach(path, &message)) {
        page.message = ec ? "CAN'T FIND THE IMAGE" : message;
        return;
    }
    page.message.clear();
    ReadDiskView(page);
}

bool ChooseInDiskView(DiskPage& page, int selection)
{
    if (selection < 0 || selection >= DiskViewList.count)
        return false;
    switch (DiskViewList.entries[selection].kind) {
    case EntryDetach:
        DriveDetach();
        [[fallthrough]];
    case EntryBackToFolder:
        page.showingDisk = false;
        return false;
    case EntryWriteProtect:
        SetDriveWriteProtected(!DriveWriteProtected());
        ReadDiskView(page);
        return false;
    default:
        if (IsProgram(page, selection))
            return true;
        ShowTitleMessage(Shown(page.names[static_cast<size_t>(selection)]) + " IS A " +
                         page.types[static_cast<size_t>(selection)] + " FILE, NOT A PROGRAM");
        return false;
    }
}

void LoadFromDiskView(const DiskPage& page, int selection)
{
    if (!IsProgram(page, selection))
        return;
    auto index = static_cast<size_t>(selection);
    std::string name = Shown(page.names[index]);
    std::vector<uint8_t> bytes;
    std::string problem;
    if (!DriveReadFile(page.names[index], &bytes, &problem))
        return ShowTitleMessage("CAN'T LOAD " + name + ": " + problem);
    // A program needs its two address bytes, and its data must fit below
    // 0x10000.
    if (!LoadProgramBytes(bytes.data(), bytes.size())) {
        std::string why = ProgramLoadProblem(bytes.data(), bytes.size());
        for (char& c : why)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return ShowTitleMessage("CAN'T LOAD " + name + ": " + why);
    }
    ShowTitleMessage("LOADED " + name + ", " + std::to_string(page.blocks[index]) +
                     (page.blocks[index] == 1 ? " BLOCK" : " BLOCKS") + ": TYPE RUN");
}

void DrawDiskPageLines(const DiskPage& page)
{
    if (page.showingDisk) {
        Draw(PickFile);
        std::string header = page.header.substr(0, 38);
        DrawText(static_cast<uint8_t>(20 - header.size() / 2), HeaderRow, header.c_str(), HeaderInk, 0x00);
    } else {
        Draw(PickDisk);
    }
    // What drive 8 holds, or why the last image wasn't attached.
    DrawText(1, DriveRow, "DRIVE 8:", 0x41, 0x00);
    std::string shown;
    uint8_t ink = 0x71;
    if (!page.message.empty()) {
        shown = page.message;
        ink = 0x58;
    } else if (DriveAttached()) {
        shown = std::filesystem::path(DriveAttachedPath()).filename().string();
        if (shown.empty())
            shown = DriveAttachedPath();
        if (DriveWriteProtected())
            shown += " (READ ONLY)";
    } else {
        shown = "EMPTY";
    }
    if (shown.size() > DriveLineRoom)
        shown.resize(DriveLineRoom);
    DrawText(10, DriveRow, shown.c_str(), ink, 0x00);
}
