// A save that can't complete must leave the earlier file of that name as it
// was, and no partial or temporary file behind; a save through symbolic
// links replaces the file at their end.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "drive/dos.h"
#include "files/program_file.h"
#include "files/safe_save.h"
#include "files/screenshot.h"
#include "files/snapshot_file.h"
#include "files_fixture.h"
#include "tape/datassette.h"
#include "tape/tap_image.h"

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

// Drive 8 given `attach`, then OPEN channel,8,channel,"name", the bytes and
// CLOSE as the bus sends them; true when the drive answers "00, OK".
bool DriveWrites(const std::string& attach, uint8_t channel, const std::string& name, const std::vector<uint8_t>& bytes)
{
    bool attached = DriveAttach(attach, nullptr);
    DriveOpen(channel, reinterpret_cast<const uint8_t*>(name.data()), name.size());
    for (uint8_t b : bytes)
        DriveListenByte(channel, b);
    DriveClose(channel);
    bool ok = attached && CurrentDriveError().code == DosOk;
    DriveDetach();
    return ok;
}

// Each link is a chain, links/NAME -> .hop -> ../real/NAME, and hard/NAME a
// second hard link of the target.
TEST_F(FailedSaveTest, SavesGoThroughSymbolicLinksToTheFileAtTheirEnd)
{
    std::vector<std::pair<std::string, std::function<bool(const std::string&)>>> saves = {
        {"disk.d64", [](const std::string& link) { return DriveWrites(link, 15, "N:LINKED,01", {}); }},
        {"game.prg", [](const std::string&) { return DriveWrites("links", 1, "@0:GAME", {1, 16, 7}); }},
        {"t.tap", [](const std::string& link) {
             std::string message;
             TapImage recorded;
             recorded.waves = {1000};
             bool attached = TapeAttach(link, &message);
             EXPECT_EQ(attached, fs::exists(link)) << "a link to nothing never becomes a new tape";
             bool ok = attached && !TapeWriteProtected() && WriteTapFile(link, recorded);
             TapeDetach();
             return ok;
         }},
    };
    for (const Saver& s : Savers)
        saves.push_back({s.name, [&s](const std::string& link) { return s.save(link.c_str()); }});
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write;
    for (const auto& [name, save] : saves) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> earlier = name == "t.tap"      ? EncodeTapImage(TapImage{})
                                             : name == "disk.d64" ? std::vector<uint8_t>(174848)
                                                                  : std::vector<uint8_t>(3, 1);
        for (const char* folder : {"links", "real", "hard"})
            fs::create_directory(folder);
        scratch.WriteFile("real/" + name, earlier);
        fs::permissions("real/" + name, mode);
        fs::create_hard_link("real/" + name, "hard/" + name);
        fs::create_symlink("../real/" + name, "links/.hop");
        fs::create_symlink(".hop", "links/" + name);
        EXPECT_TRUE(save("links/" + name)) << SaveFailureReason();
        EXPECT_EQ(fs::read_symlink("links/" + name), ".hop");
        EXPECT_NE(ReadBinaryFile("real/" + name), earlier);
        EXPECT_EQ(fs::status("real/" + name).permissions(), mode);
        EXPECT_EQ(ReadBinaryFile("hard/" + name), earlier) << "the other hard link keeps the earlier file";
        // Nothing at the end of the chain: refused, and nothing made anywhere.
        fs::remove("real/" + name);
        EXPECT_FALSE(save("links/" + name));
        EXPECT_TRUE(fs::is_empty("real"));
        EXPECT_EQ(std::distance(fs::directory_iterator("links"), fs::directory_iterator()), 2);
        for (const char* folder : {"links", "real", "hard"})
            fs::remove_all(folder);
    }
    fs::create_symlink("loop", "loop");
    EXPECT_FALSE(SaveProgramFile("loop", 0x1001, 0x1002));
    EXPECT_EQ(SaveFailureReason(), "its symbolic links go round in a loop");
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
    const bool givenAway = chown("ro.prg", 4321, 4321) == 0;   // as the superuser
    ASSERT_TRUE(SaveProgramFile("ro.prg", 0x1000, 0x1010));
    EXPECT_EQ(fs::status(scratch.path + "/ro.prg").permissions(), fs::perms::owner_read | fs::perms::group_read);
    struct stat owner;
    EXPECT_TRUE(!givenAway || (stat("ro.prg", &owner) == 0 && owner.st_uid == 4321)) << "the owner is kept";
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
