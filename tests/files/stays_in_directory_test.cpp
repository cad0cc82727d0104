// Files the user cares about stay where they are: the log, the screenshot
// and the saves are written in the current directory only (a symbolic link
// of the target's name is replaced, never followed), and a full disk leaves
// no half-written file under the target's name.
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

TEST_F(StaysInDirectoryTest, SymbolicLinkOfTheNameIsReplacedNotFollowed)
{
    const std::vector<uint8_t> precious = {'k', 'e', 'e', 'p'};
    fs::create_directory(scratch.path + "/elsewhere");
    for (const Writer& w : Writers) {
        SCOPED_TRACE(w.name);
        const std::string outside = scratch.path + "/elsewhere/" + w.name;
        scratch.WriteFile(std::string("elsewhere/") + w.name, precious);
        for (bool dangling : {false, true}) {
            std::error_code ec;
            fs::remove(w.name, ec);
            ASSERT_EQ(0, symlink(dangling ? "elsewhere/missing" : outside.c_str(), w.name));
            EXPECT_TRUE(w.write());
            EXPECT_EQ(ReadBinaryFile(outside), precious);
            EXPECT_FALSE(fs::exists(scratch.path + "/elsewhere/missing"));
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(w.name)));
            EXPECT_GT(fs::file_size(w.name), 0u);
        }
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
