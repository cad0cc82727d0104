// The load menu's DISK page.  Without a disk shown it walks the host's
// directories and lists their *.D64 images like the PROGRAM page; Enter on
// an image attaches it as drive 8 and the page then shows the drive's
// directory: two entries to go back to the folder or detach the drive, then
// the files with their blocks and types.  Enter on a program loads it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/file_listing.h"

extern Listing DiskList;        // "*.D64" in the current directory
extern Listing DiskViewList;    // the attached drive's directory, as shown

// The entry kinds of the drive's directory beside EntryFile (a file).
constexpr uint8_t EntryBackToFolder = 3;
constexpr uint8_t EntryDetach = 4;
constexpr uint8_t EntryWriteProtect = 5;   // the 1541's write-protect tab

struct DiskPage {
    bool showingDisk = false;         // DiskViewList rather than DiskList
    std::string header;               // "DISK NAME" ID 2A, for the path row
    std::vector<std::vector<uint8_t>> names;   // the files' names, by entry
    std::vector<std::string> types;   // "PRG", "SEQ", ...; empty for the actions
    std::vector<uint16_t> blocks;     // the files' sizes in blocks
    std::string message;              // why the last attach failed
};

// On opening the menu: the drive's directory when a drive is attached.
void StartDiskPage(DiskPage& page);
// Fills DiskViewList from the drive (entries 0 and 1 are the two actions).
void ReadDiskView(DiskPage& page);
// Enter on an image of DiskList: attaches it and shows its directory.
void AttachFromDiskPage(DiskPage& page, const char* fileName);
// Enter on an entry of the drive's directory.  Returns true when a program
// is chosen to be loaded; a file of another type is no program, and the
// window title says so.
bool ChooseInDiskView(DiskPage& page, int selection);
// Loads the chosen program the way the PROGRAM page loads a file; the
// window title says what was loaded ("LOADED BIGPROG, 150 BLOCKS: TYPE
// RUN") or why nothing was.
void LoadFromDiskView(const DiskPage& page, int selection);
// The page's own lines: its prompt, the disk header and the drive line.
void DrawDiskPageLines(const DiskPage& page);
