// A save that can't complete must leave the earlier file of that name as it
// was, and no partial or temporary file behind.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <filesystem>
#include <functional>

#include "files/program_file.h"
#include "files/safe_save.h"
#include "files/screenshot.h"
#include "files/snapshot_file.h"
#include "files_fixture.h"

namespace {

namespace fs = std::filesystem;

using FailedSaveTest = FilesTest;

struct Saver {
    const char* what;
    const char* name;
    std::function<bool(const char*)> save;
};

const Saver Savers[] = {
    {"program", "KEEP.PRG", [](const char* n) { return SaveProgramFile(n, 0x1001, 0x9000); }},
    {"snapshot", "KEEP.FRE", [](const char* n) { return SaveSnapshotFile(n); }},
    {"screenshot", "keep.bmp", [](const char* n) { return WriteScreenshotTo(n); }},
};

TEST_F(FailedSaveTest, WriteFailureKeepsTheEarlierFile)
{
    const std::vector<uint8_t> earlier = {'o', 'l', 'd'};
    for (const Saver& s : Savers) {
        SCOPED_TRACE(s.what);
        for (long failAfter : {0L, 1L, 1000L, 65000L}) {
            scratch.WriteFile(s.name, earlier);
            InjectSaveWriteFailure(failAfter);
            EXPECT_FALSE(s.save(s.name));
            EXPECT_EQ(ReadBinaryFile(scratch.path + "/" + s.name), earlier);
            EXPECT_EQ(Listing(), std::vector<std::string>{s.name});
        }
        // The fault was used up: the next save goes through.
        EXPECT_TRUE(s.save(s.name));
        EXPECT_NE(ReadBinaryFile(scratch.path + "/" + s.name), earlier);
        fs::remove(scratch.path + "/" + s.name);
    }
}

TEST_F(FailedSaveTest, ImpossibleTargetsWriteNothing)
{
    fs::create_directory(scratch.path + "/TAKEN");
    scratch.WriteFile("TAKEN/inside", {1});
    for (const Saver& s : Savers) {
        SCOPED_TRACE(s.what);
        EXPECT_FALSE(s.save("NO SUCH DIR/X"));       // the directory is missing
        EXPECT_FALSE(s.save("TAKEN"));               // the name is a directory
        EXPECT_FALSE(s.save("TAKEN/"));
        EXPECT_FALSE(s.save(""));
        EXPECT_EQ(Listing(), std::vector<std::string>{"TAKEN"});
        EXPECT_TRUE(fs::is_directory(scratch.path + "/TAKEN"));
        EXPECT_TRUE(fs::exists(scratch.path + "/TAKEN/inside"));
    }
}

TEST_F(FailedSaveTest, ReplacingKeepsPermissionsAndWorksInSubdirectories)
{
    scratch.WriteFile("ro.prg", {0});
    fs::permissions(scratch.path + "/ro.prg", fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(SaveProgramFile("ro.prg", 0x1000, 0x1010));
    EXPECT_EQ(fs::status(scratch.path + "/ro.prg").permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(fs::file_size(scratch.path + "/ro.prg"), 18u);

    fs::create_directory(scratch.path + "/sub dir");
    ASSERT_TRUE(SaveSnapshotFile("sub dir/A.FRE"));
    EXPECT_EQ(fs::file_size(scratch.path + "/sub dir/A.FRE"), SnapshotFileSize);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path + "/sub dir"), fs::directory_iterator()), 1);
}

// A real full disk: a 64 KiB tmpfs cannot take a 65,608-byte snapshot.
TEST_F(FailedSaveTest, FullFilesystem)
{
    std::string mountPoint = scratch.path + "/small";
    fs::create_directory(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (not privileged)";
    std::string target = mountPoint + "/FULL.FRE";
    {
        std::vector<uint8_t> earlier(20000, 0x5A);
        scratch.WriteFile("small/FULL.FRE", earlier);
        EXPECT_FALSE(SaveSnapshotFile(target.c_str()));
        EXPECT_EQ(ReadBinaryFile(target), earlier);
        EXPECT_FALSE(SaveProgramFile(target.c_str(), 0x0000, 0xF000));
        EXPECT_EQ(ReadBinaryFile(target), earlier);
        EXPECT_EQ(std::distance(fs::directory_iterator(mountPoint), fs::directory_iterator()), 1);
        // A small save still fits.
        EXPECT_TRUE(SaveProgramFile(target.c_str(), 0x1000, 0x1100));
        EXPECT_EQ(fs::file_size(target), 258u);
    }
    umount(mountPoint.c_str());
}

}  // namespace
