// The load menu's listings of the current directory: directories first
// (with ".." leading), then the files that match a pattern.
#pragma once
#include <cstdint>

constexpr int ListingCapacity = 256;     // room; at most 255 are filled
constexpr int ListingMaxEntries = 255;
constexpr int ListingMaxDirectories = 250;
constexpr int ListedNameLength = 63;     // shown and sorted by this much of a name

constexpr uint8_t EntryDirectory = 1;
constexpr uint8_t EntryFile = 2;

struct ListingEntry {
    char name[ListedNameLength + 1];   // the listed name, cut to 63 bytes
    char fullName[256];                // the name on disk, used to open it
    uint8_t kind;                      // EntryDirectory or EntryFile
};

struct Listing {
    ListingEntry entries[ListingCapacity];
    int count;
};

extern Listing ProgramList;    // "*.PRG"
extern Listing SnapshotList;   // "*.FRE"

// Fills the listing from the process's current directory and returns the
// count.  The pattern is "*.XXX": regular files whose names end in that
// extension match, upper or lower case alike; "*.XXX;*.YYY" matches either.  Entries whose names can't be
// read are skipped.
int BuildListing(Listing& listing, const char* pattern);

// The entry that goes up: "..", and no other name beginning with '.'.
bool IsParent(const ListingEntry& entry);

// The listing order: bytes compared as signed 8-bit values, a name that
// begins a longer one first.
bool ListedBefore(const char* a, const char* b);
