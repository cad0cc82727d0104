#include "ui/file_listing.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <strings.h>
#include <system_error>

namespace fs = std::filesystem;

Listing ProgramList;
Listing SnapshotList;

namespace {

// "*.PRG" matches any name that ends in ".PRG" in any case (".prg" alone
// too: the save menu writes that for an empty name).  "*.BIN;*.ROM" matches
// either.
bool MatchesPattern(const std::string& name, const char* pattern)
{
    for (;;) {
        const char* extension = pattern[0] == '*' ? pattern + 1 : pattern;
        const char* end = std::strchr(extension, ';');
        size_t length = end ? static_cast<size_t>(end - extension) : std::strlen(extension);
        if (name.size() >= length && strncasecmp(name.c_str() + name.size() - length, extension, length) == 0)
            return true;
        if (!end)
            return false;
        pattern = end + 1;
    }
}

void Store(Listing& listing, const std::string& name, uint8_t kind)
{
    ListingEntry& entry = listing.entries[listing.count++];
    size_t shown = std::min<size_t>(name.size(), ListedNameLength);
    std::memcpy(entry.name, name.data(), shown);
    entry.name[shown] = '\0';
    std::memcpy(entry.fullName, name.c_str(), name.size() + 1);
    entry.kind = kind;
}

bool EntryBefore(const ListingEntry& a, const ListingEntry& b)
{
    if (int order = std::strcmp(a.name, b.name); order == 0)
        return ListedBefore(a.fullName, b.fullName);   // two names cut alike
    return ListedBefore(a.name, b.name);
}

bool IsRoot(const fs::path& directory)
{
    return directory == directory.root_path();
}

// A name the listing can hold: not empty, and short enough to keep whole.
bool Listable(const std::string& name)
{
    return !name.empty() && name.size() < sizeof(ListingEntry::fullName);
}

}  // namespace

bool IsParent(const ListingEntry& entry)
{
    return entry.kind == EntryDirectory && std::strcmp(entry.fullName, "..") == 0;
}

bool ListedBefore(const char* a, const char* b)
{
    for (size_t i = 0;; i++) {
        auto ca = static_cast<int8_t>(a[i]);
        auto cb = static_cast<int8_t>(b[i]);
        if (ca != cb || a[i] == '\0')
            return a[i] == '\0' ? b[i] != '\0' : (b[i] != '\0' && ca < cb);
    }
}

int BuildListing(Listing& listing, const char* pattern)
{
    listing.count = 0;
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    if (ec)
        return 0;

    // Directories.  The system's scan never shows "." and "..", so ".." is
    // put first, where a scan finds it, everywhere but in the root.  A
    // directory that can't be scanned lists no directory at all.
    fs::directory_iterator scan(here, fs::directory_options::skip_permission_denied, ec);
    if (!ec && !IsRoot(here))
        Store(listing, "..", EntryDirectory);
    for (; !ec && scan != fs::directory_iterator() && listing.count < ListingMaxDirectories; scan.increment(ec)) {
        std::error_code statusError;
        if (!scan->is_directory(statusError) || statusError)
            continue;
        std::string name = scan->path().filename().string();
        if (Listable(name) && name != ".")
            Store(listing, name, EntryDirectory);
    }
    // ".." keeps the first place; any other name is sorted, those that
    // begin with '.' too.
    int first = (listing.count > 0 && IsParent(listing.entries[0])) ? 1 : 0;
    std::sort(listing.entries + first, listing.entries + listing.count, EntryBefore);

    // Files: the regular files that match the pattern (through a symbolic
    // link too).  A directory of such a name is listed once, above, and a
    // fifo or a device is not a file to load.
    int directories = listing.count;
    ec.clear();
    fs::directory_iterator files(here, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && files != fs::directory_iterator() && listing.count < ListingMaxEntries; files.increment(ec)) {
        std::string name = files->path().filename().string();
        if (!Listable(name) || !MatchesPattern(name, pattern))
            continue;
        std::error_code statusError;
        if (files->is_regular_file(statusError) && !statusError)
            Store(listing, name, EntryFile);
    }
    std::sort(listing.entries + directories, listing.entries + listing.count, EntryBefore);
    return listing.count;
}
