// Files the user cares about stay where they are: the log is written in the
// current directory only (a symbolic link of its name is replaced, never
// followed), and a full disk leaves no half-written file under the name of
// the log, the screenshot or a save.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "files/program_file.h"
#include "files/screenshot.h"
#include "files/snapshot_file.h"
#include "files_fixture.h"
#include "machine/log.h"
#include "machine/settings.h"

namespace {

namespace fs = std::filesystem;

using StaysInDirectoryTest = FilesTest;

struct Writer {
    const char* name;
    std::function<bool()> write;
};

const Writer Writers[] = {
    {"Ravlin.log", [] { Config.Log = 1; bool ok = OpenLog(); LogLine("line\n"); CloseLog(); return ok; }},
    {"output.bmp", [] { return WriteScreenshotTo("output.bmp"); }},
    {"GAME.PRG", [] { return SaveProgramFile("GAME.PRG", 0x1001, 0x9000); }},
    {"STATE.FRE", [] { return SaveSnapshotFile("STATE.FRE"); }},
};

// The log is no save: it is made anew at every start, so a symbolic link of
// its name is replaced by it rather than followed to a file it would cut
// short.  (Saves go through links: failed_save_test.cpp.)
TEST_F(StaysInDirectoryTest, TheLogReplacesASymbolicLinkOfItsName)
{
    const std::vector<uint8_t> precious = {'k', 'e', 'e', 'p'};
    scratch.WriteFile("precious.txt", precious);
    for (bool dangling : {false, true}) {
        std::error_code ec;
        fs::remove("Ravlin.log", ec);
        ASSERT_EQ(0, symlink(dangling ? "missing.txt" : "precious.txt", "Ravlin.log"));
        EXPECT_TRUE(Writers[0].write());
        EXPECT_EQ(ReadBinaryFile(scratch.path + "/precious.txt"), precious);
        EXPECT_FALSE(fs::exists("missing.txt"));
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("Ravlin.log")));
        EXPECT_GT(fs::file_size("Ravlin.log"), 0u);
    }
}

// A tmpfs of 8 KiB: a new file of any of these that does not fit leaves no
// file of that name and no temporary file.
TEST_F(StaysInDirectoryTest, FullDiskLeavesNoHalfWrittenFile)
{
    const std::string mountPoint = scratch.path + "/tiny";
    fs::create_directory(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (not privileged)";
    ASSERT_EQ(0, chdir(mountPoint.c_str()));
    for (const Writer& w : Writers) {
        if (std::string(w.name) == "Ravlin.log")
            continue;   // a few lines; the log is no saved work
        SCOPED_TRACE(w.name);
        EXPECT_FALSE(w.write());
        EXPECT_EQ(fs::directory_iterator(mountPoint), fs::directory_iterator()) << "something was left behind";
    }
    ASSERT_EQ(0, chdir(scratch.path.c_str()));
    umount(mountPoint.c_str());
}

}  // namespace
