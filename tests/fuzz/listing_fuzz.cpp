// The load menu's listing of a directory whose names come from the input:
// any bytes but '/' and NUL, any length up to the system's limit, leading
// dots, directories and files alike.  The listing must hold only names
// that exist, cut to 63 bytes, NUL-terminated, within its capacity.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ui/file_listing.h"

namespace {

void CheckListing(const Listing& listing)
{
    if (listing.count < 0 || listing.count > ListingMaxEntries)
        std::abort();
    for (int i = 0; i < listing.count; i++) {
        const ListingEntry& e = listing.entries[i];
        if (!std::memchr(e.name, 0, sizeof e.name) || !std::memchr(e.fullName, 0, sizeof e.fullName))
            std::abort();
        if (std::strncmp(e.name, e.fullName, ListedNameLength) != 0)
            std::abort();
        struct stat info;
        if (std::strcmp(e.fullName, "..") != 0 && lstat(e.fullName, &info) != 0)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string base = FuzzDirectory() + "/listing";
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    std::filesystem::create_directory(base, ec);
    if (chdir(base.c_str()) != 0)
        std::abort();
    // Names are separated by '/'; a NUL byte becomes 0x01.  A name whose
    // first byte is odd becomes a directory.  A byte 0xFE before a name
    // repeats it 100 times with a numbered suffix (many entries).
    size_t start = 0;
    int made = 0;
    for (size_t i = 0; i <= size && made < 400; i++) {
        if (i < size && data[i] != '/')
            continue;
        std::string name(reinterpret_cast<const char*>(data + start), i - start);
        start = i + 1;
        int copies = 1;
        if (!name.empty() && static_cast<uint8_t>(name[0]) == 0xFE) {
            copies = 100;
            name.erase(0, 1);
        }
        for (char& c : name)
            if (c == '\0')
                c = '\x01';
        if (name.size() > 240)
            name.resize(240);
        for (int k = 0; k < copies; k++, made++) {
            std::string n = copies > 1 ? name + std::to_string(k) + ".prg" : name;
            if (n.empty() || n == "." || n == "..")
                continue;
            if (static_cast<uint8_t>(n[0]) & 1)
                mkdir(n.c_str(), 0755);
            else if (FILE* f = std::fopen(n.c_str(), "wb"))
                std::fclose(f);
        }
    }
    BuildListing(ProgramList, "*.PRG");
    CheckListing(ProgramList);
    BuildListing(SnapshotList, "*.FRE");
    CheckListing(SnapshotList);
    if (chdir(FuzzDirectory().c_str()) != 0)
        std::abort();
    std::filesystem::remove_all(base, ec);
    return 0;
}
