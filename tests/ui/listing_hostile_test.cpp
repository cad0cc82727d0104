// BuildListing on a directory of 10,000 hostile names: names of 255 bytes,
// bytes that are not UTF-8, control characters, leading dots, directories
// with the pattern's extension.  The listing stays within its capacity,
// every entry is a NUL-terminated name that exists, directories come first
// with ".." leading, and each group is in listing order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/test_support.h"
#include "ui/file_listing.h"

namespace {

std::string HostileName(int i)
{
    static const char* const stems[] = {"\xFF\xFE", ".", "..x", "\x01\x02", "\xC3(", " ", "\x80\x80\x80", "\n"};
    std::string name = std::string(stems[i % 8]) + std::to_string(i);
    if (i % 13 == 0)
        name += std::string(255 - 4 - name.size(), static_cast<char>(0x80 + i % 100));
    return name + (i % 3 == 0 ? ".PRG" : i % 3 == 1 ? ".prg" : ".Fre");
}

TEST(ListingHostileNames, TenThousandEntries)
{
    ScratchDirectory scratch;
    std::filesystem::create_directory("here");
    std::filesystem::current_path("here");
    int directories = 0;
    for (int i = 0; i < 10000; i++) {
        const std::string name = HostileName(i);
        ASSERT_LE(name.size(), 255u);
        if (i % 37 == 0) {
            ASSERT_EQ(0, mkdir(name.c_str(), 0755)) << i;
            directories++;
        } else {
            FILE* f = std::fopen(name.c_str(), "wb");
            ASSERT_NE(f, nullptr) << i;
            std::fclose(f);
        }
    }
    for (const char* pattern : {"*.PRG", "*.FRE"}) {
        SCOPED_TRACE(pattern);
        Listing& listing = std::strcmp(pattern, "*.PRG") == 0 ? ProgramList : SnapshotList;
        ASSERT_EQ(BuildListing(listing, pattern), ListingMaxEntries);
        ASSERT_STREQ(listing.entries[0].name, "..");
        int listedDirectories = 0;
        for (int i = 0; i < listing.count; i++) {
            const ListingEntry& e = listing.entries[i];
            ASSERT_TRUE(std::memchr(e.name, 0, sizeof e.name));
            ASSERT_TRUE(std::memchr(e.fullName, 0, sizeof e.fullName));
            EXPECT_EQ(0, std::strncmp(e.name, e.fullName, ListedNameLength));
            struct stat info;
            ASSERT_EQ(0, lstat(e.fullName, &info)) << i;
            if (e.kind == EntryDirectory) {
                listedDirectories++;
                EXPECT_EQ(listedDirectories, i + 1) << "a directory after a file";
                EXPECT_TRUE(S_ISDIR(info.st_mode));
            }
            if (i > 1 && listing.entries[i - 1].kind == e.kind) {
                EXPECT_FALSE(ListedBefore(e.name, listing.entries[i - 1].name)) << i;
            }
        }
        EXPECT_EQ(listedDirectories, std::min(directories + 1, ListingMaxDirectories));
    }
}

}  // namespace
