// A host folder as the disk: *.prg and *.seq files of any case, names
// mapped between the machine's characters and ASCII, and the things a
// folder may hold that are no files to read.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "drive/drive_fixture.h"

namespace fs = std::filesystem;

namespace {

void WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadHostFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct FolderTest : DriveTest {
    void SetUp() override
    {
        DriveTest::SetUp();
        fs::create_directory("folder");
        WriteHostFile("folder/game.prg", Program(300));
        WriteHostFile("folder/TOOL.PRG", Program(3));
        WriteHostFile("folder/Notes.Seq", Bytes("SOME TEXT\r"));
        WriteHostFile("folder/readme.txt", Bytes("not for the drive"));
        fs::create_directory("folder/x.prg");
        mkfifo("folder/pipe.prg", 0644);
        WriteHostFile("folder/empty.prg", {});
        WriteHostFile("folder/secret.prg", Program(1));
        chmod("folder/secret.prg", 0);
        std::string message;
        ASSERT_TRUE(DriveAttach("folder", &message)) << message;
    }
};

TEST_F(FolderTest, ListsProgramAndSequentialFilesOnly)
{
    DriveDirectory directory;
    ASSERT_TRUE(DriveReadDirectory(&directory));
    EXPECT_EQ(directory.diskName, Bytes("FOLDER"));
    std::vector<std::string> listed;
    for (const DriveDirectoryEntry& entry : directory.entries)
        listed.push_back(std::string(entry.name.begin(), entry.name.end()) + " " + entry.type + " " +
                         std::to_string(entry.blocks));
    std::vector<std::string> expected = {"NOTES SEQ 1", "TOOL PRG 1", "GAME PRG 2", "EMPTY PRG 0"};
    if (access("folder/secret.prg", R_OK) == 0)
        expected.push_back("SECRET PRG 1");   // a user who reads every file
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    std::vector<uint8_t> listing = LoadFile("$");
    EXPECT_NE(std::string(listing.begin(), listing.end()).find("\"GAME\""), std::string::npos);
    // Loads by name in either case of the machine's letters, and by pattern.
    EXPECT_EQ(LoadFile("GAME"), Program(300));
    EXPECT_EQ(LoadFile("\xC7\xC1\xCD\xC5"), Program(300));
    EXPECT_EQ(LoadFile("T*"), Program(3));
    Open(2, "NOTES,S,R");
    EXPECT_EQ(Receive(2), Bytes("SOME TEXT\r"));
    std::string status;
    EXPECT_TRUE(LoadFile("PIPE", &status).empty());
    EXPECT_EQ(status, "62,FILE NOT FOUND,00,00");
    EXPECT_TRUE(LoadFile("X", &status).empty());
    EXPECT_EQ(status, "62,FILE NOT FOUND,00,00");
    // An empty file has no load address: LOAD fails, and the drive says why.
    EXPECT_TRUE(LoadFile("EMPTY", &status).empty());
    EXPECT_EQ(status, "20,READ ERROR,00,00");
}

TEST_F(FolderTest, SavesScratchesAndRenamesHostFiles)
{
    EXPECT_EQ(SaveFile("HELLO", Program(10)), "00, OK,00,00");
    EXPECT_EQ(ReadHostFile("folder/hello.prg"), Program(10));
    Open(2, "\xC4\x41TA,S,W");   // shifted D: a capital on the host
    Send(2, Bytes("1,2,3\r"));
    DriveClose(2);
    EXPECT_EQ(ReadHostFile("folder/Data.seq"), Bytes("1,2,3\r"));
    EXPECT_EQ(SaveFile("GAME", Program(1)), "63,FILE EXISTS,00,00");
    EXPECT_EQ(SaveFile("@0:GAME", Program(1)), "00, OK,00,00");
    EXPECT_EQ(ReadHostFile("folder/game.prg"), Program(1));
    EXPECT_EQ(SaveFile("X", Program(1)), "63,FILE EXISTS,00,00") << "a directory x.prg is in the way";
    EXPECT_EQ(SaveFile("A/B", Program(1)), "33,SYNTAX ERROR,00,00");
    Command("R0:PLAY=GAME");
    EXPECT_EQ(Status(), "00, OK,00,00");
    EXPECT_TRUE(fs::exists("folder/play.prg"));
    EXPECT_FALSE(fs::exists("folder/game.prg"));
    Command("S0:PLAY,HELLO");
    EXPECT_EQ(Status(), "01, FILES SCRATCHED,02,00");
    EXPECT_FALSE(fs::exists("folder/play.prg"));
    EXPECT_FALSE(fs::exists("folder/hello.prg"));
    EXPECT_TRUE(fs::exists("folder/readme.txt")) << "other files are never touched";
    Command("N0:WIPE,ID");
    EXPECT_EQ(Status(), "31,SYNTAX ERROR,00,00") << "a folder is not formatted";
    EXPECT_TRUE(fs::exists("folder/TOOL.PRG"));
}

TEST_F(FolderTest, ReadOnlyFolderAttachesWriteProtected)
{
    chmod("folder", 0555);   // read-only even for the superuser
    ASSERT_TRUE(DriveAttach("folder", nullptr));
    EXPECT_TRUE(DriveWriteProtected());
    EXPECT_EQ(SaveFile("NEW", Program(1)), "26,WRITE PROTECT ON,00,00");
    Command("S0:GAME");
    EXPECT_EQ(Status(), "26,WRITE PROTECT ON,00,00");
    EXPECT_EQ(LoadFile("GAME"), Program(300));
    chmod("folder", 0755);
    EXPECT_TRUE(fs::exists("folder/game.prg"));
}

// Host names that give one drive name (cut to 16 characters, or differing
// only in case or extension): each file gets a drive name of its own, the
// same whatever order the folder lists them in, and every command on a name
// reaches that one host file.
TEST_F(DriveTest, CollidingHostNamesGetDistinctStableDriveNames)
{
    struct HostCase {
        const char* hostName;
        const char* driveName;
    } files[] = {
        {"averyveryverylongfilename_A.prg", "AVERYVERYVERYL#2"},
        {"averyveryverylongfilename_B.prg", "AVERYVERYVERYL#3"},
        {"averyveryverylon.prg", "AVERYVERYVERYLON"},   // not cut: keeps the name
        {"DUP.prg", "DUP#4"},                           // "DUP#2" is another file's own
        {"dup.seq", "DUP#3"},                           // as a save would name it
        {"dup.prg", "DUP"},                             // the same, and first
        {"dup#2.prg", "DUP#2"},
    };
    auto names = [] {
        std::map<std::string, std::string> byContent;   // drive name by the file's first byte
        DriveDirectory directory;
        EXPECT_TRUE(DriveReadDirectory(&directory));
        for (const DriveDirectoryEntry& entry : directory.entries) {
            std::vector<uint8_t> bytes;
            EXPECT_TRUE(DriveReadFile(entry.name, &bytes));
            std::string name(entry.name.begin(), entry.name.end());
            byContent[name] = bytes.empty() ? "" : std::to_string(bytes[2]);
        }
        return byContent;
    };
    std::map<std::string, std::string> expected;
    for (const char* folder : {"one", "two"}) {
        fs::create_directory(folder);
        // Made in opposite orders: the folders list them differently.
        for (size_t i = 0; i < std::size(files); i++) {
            size_t k = folder[0] == 'o' ? i : std::size(files) - 1 - i;
            WriteHostFile(std::string(folder) + "/" + files[k].hostName, Program(10 + k));
            expected[files[k].driveName] = std::to_string(Program(10 + k)[2]);
        }
        ASSERT_TRUE(DriveAttach(folder, nullptr));
        EXPECT_EQ(names(), expected) << folder;
        EXPECT_EQ(names(), expected) << folder << ", read again";
    }
    // On folder "two": each command touches one host file.
    EXPECT_EQ(SaveFile("DUP", Program(1)), "63,FILE EXISTS,00,00");
    EXPECT_EQ(SaveFile("@0:DUP#2", Program(99)), "00, OK,00,00");
    EXPECT_EQ(ReadHostFile("two/dup#2.prg"), Program(99));
    EXPECT_EQ(ReadHostFile("two/dup.prg"), Program(15));
    Command("R0:LONG=AVERYVERYVERYL#3");
    EXPECT_EQ(Status(), "00, OK,00,00");
    EXPECT_EQ(ReadHostFile("two/long.prg"), Program(11));
    EXPECT_TRUE(fs::exists("two/averyveryverylongfilename_A.prg"));
    Command("C0:COPY=DUP#4");
    EXPECT_EQ(ReadHostFile("two/copy.prg"), Program(13));
    Open(2, "@0:DUP,S,W");   // as dup.seq, which is DUP#3's
    Send(2, Bytes("TEXT"));
    DriveClose(2);
    EXPECT_EQ(Status(), "63,FILE EXISTS,00,00");
    EXPECT_EQ(ReadHostFile("two/dup.seq"), Program(14));
    Command("S0:DUP");
    EXPECT_EQ(Status(), "01, FILES SCRATCHED,01,00");
    EXPECT_FALSE(fs::exists("two/dup.prg"));
    for (const char* kept : {"two/DUP.prg", "two/dup.seq", "two/dup#2.prg"})
        EXPECT_TRUE(fs::exists(kept)) << kept;
    Command("S0:AVERY*");
    EXPECT_EQ(Status(), "01, FILES SCRATCHED,02,00");
    EXPECT_FALSE(fs::exists("two/averyveryverylon.prg"));
}

}  // namespace
