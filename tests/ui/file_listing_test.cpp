// BuildListing on directories built by the tests.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"
#include "ui/file_listing.h"

namespace fs = std::filesystem;

namespace {

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory("here");
        fs::current_path("here");
    }
    static void MakeFile(const std::string& name, size_t bytes = 3)
    {
        std::ofstream(name, std::ios::binary) << std::string(bytes, 'x');
    }
    static std::vector<std::string> Names(const Listing& listing)
    {
        std::vector<std::string> names;
        for (int i = 0; i < listing.count; i++)
            names.push_back(std::string(listing.entries[i].kind == EntryDirectory ? "d:" : "f:") +
                            listing.entries[i].name);
        return names;
    }
    ScratchDirectory scratch;
};

// Only regular files are files to load: a directory named like one is
// listed once, as a directory; a fifo (which would block the opening) and a
// broken link not at all; a link to a file is a file.  Only ".." keeps
// the first place: a directory whose name begins with '.' is sorted.
TEST_F(ListingTest, DirectoriesFirstThenMatchingFilesEachInByteOrder)
{
    for (const char* d : {"b", "A", "X.PRG", ".config"})
        fs::create_directory(d);
    for (const char* f : {"Z.PRG", "a.PRG", "game.prg", "notes.txt", "SNAP.FRE", "x.Fre", "PRG", "a.PRGX"})
        MakeFile(f);
    ASSERT_EQ(mkfifo("pipe.prg", 0644), 0);
    fs::create_symlink("Z.PRG", "link.prg");
    fs::create_symlink("nowhere.prg", "dead.prg");
    EXPECT_EQ(BuildListing(ProgramList, "*.PRG"), 9);
    EXPECT_EQ(Names(ProgramList), (std::vector<std::string>{"d:..", "d:.config", "d:A", "d:X.PRG", "d:b", "f:Z.PRG",
                                                            "f:a.PRG", "f:game.prg", "f:link.prg"}));
    EXPECT_EQ(BuildListing(SnapshotList, "*.FRE"), 7);
    EXPECT_EQ(Names(SnapshotList), (std::vector<std::string>{"d:..", "d:.config", "d:A", "d:X.PRG", "d:b",
                                                             "f:SNAP.FRE", "f:x.Fre"}));
}

TEST_F(ListingTest, BytesAboveAsciiSortFirstAndAnyNameIsListed)
{
    // Names that are not valid text are still names: listed, and kept
    // whole for opening.
    MakeFile("\xC3\xA9t\xC3\xA9.prg");
    MakeFile("\xFF.PRG");
    MakeFile("Zed.prg");
    MakeFile("Zed.prg.prg");
    MakeFile(".prg");   // what an empty name saves as
    BuildListing(ProgramList, "*.PRG");
    EXPECT_EQ(Names(ProgramList), (std::vector<std::string>{"d:..", "f:\xC3\xA9t\xC3\xA9.prg", "f:\xFF.PRG",
                                                            "f:.prg", "f:Zed.prg", "f:Zed.prg.prg"}));
    EXPECT_STREQ(ProgramList.entries[2].fullName, "\xFF.PRG");
}

TEST_F(ListingTest, ListsAtMost250DirectoriesAnd255Entries)
{
    for (int i = 0; i < 300; i++)
        fs::create_directory("dir" + std::to_string(1000 + i));
    for (int i = 0; i < 10; i++)
        MakeFile("p" + std::to_string(i) + ".prg");
    EXPECT_EQ(BuildListing(ProgramList, "*.PRG"), 255);
    EXPECT_EQ(std::string(ProgramList.entries[0].name), "..");
    int directories = 0;
    for (int i = 0; i < ProgramList.count; i++)
        directories += ProgramList.entries[i].kind == EntryDirectory;
    EXPECT_EQ(directories, 250);
    for (int i = 2; i < 250; i++)
        EXPECT_TRUE(ListedBefore(ProgramList.entries[i - 1].name, ProgramList.entries[i].name)) << i;
    for (int i = 251; i < 255; i++)
        EXPECT_TRUE(ListedBefore(ProgramList.entries[i - 1].name, ProgramList.entries[i].name)) << i;
}

TEST_F(ListingTest, LongNamesAreListedBy63Characters)
{
    std::string longName = std::string(66, 'L') + ".PRG";   // 70 characters
    MakeFile(longName);
    std::string longDirectory(80, 'D');
    fs::create_directory(longDirectory);
    BuildListing(ProgramList, "*.PRG");
    ASSERT_EQ(ProgramList.count, 3);
    EXPECT_EQ(std::string(ProgramList.entries[1].name), longDirectory.substr(0, 63));
    EXPECT_EQ(std::string(ProgramList.entries[1].fullName), longDirectory);
    EXPECT_EQ(std::string(ProgramList.entries[2].name), longName.substr(0, 63));
    EXPECT_EQ(std::string(ProgramList.entries[2].fullName), longName);
}

TEST_F(ListingTest, TheRootHasNoParentAndAVanishedDirectoryListsNothing)
{
    fs::path here = fs::current_path();
    fs::current_path("/");
    BuildListing(ProgramList, "*.PRG");
    for (int i = 0; i < ProgramList.count; i++)
        EXPECT_STRNE(ProgramList.entries[i].name, "..");
    fs::current_path(here);

    fs::create_directory("gone");
    fs::current_path("gone");
    fs::remove("../gone");
    EXPECT_EQ(BuildListing(ProgramList, "*.PRG"), 0);
}

TEST(ListingOrder, ComparesSignedBytes)
{
    struct Case {
        const char* a;
        const char* b;
        bool before;
    };
    const Case cases[] = {
        {"A", "B", true},  {"B", "A", false}, {"Z", "a", true},       {"AB", "ABC", true},
        {"ABC", "AB", false}, {"A", "A", false}, {"\x80", "A", true}, {"A", "\xFF", false},
        {"", "A", true},   {"A", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListedBefore(c.a, c.b), c.before) << c.a << " / " << c.b;
}

}  // namespace
