// The save menu driven by scripted keys: its pages, the entry fields, the
// address rule, and the files it writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/program_file.h"
#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "platform/headless/headless_control.h"
#include "ui/menus.h"
#include "ui/text_entry.h"
#include "ui/ui_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr uint8_t FieldInk = 0x71, FieldPaper = 0x14;

class SaveMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BootMenuMachine());
        fs::create_directory("out");
        fs::current_path("out");
        for (uint32_t a = 0; a < 0x10000; a++)
            Ram64[a] = static_cast<uint8_t>(a * 7 + (a >> 8));
        pictures.Start();
    }
    // Picture 0 is the page loop's first pass; Enter there shows the
    // filename line (picture 1), then every picture is one pass of an entry
    // field, and the last one asks for Enter to continue.
    void Run()
    {
        SaveMenuRequest = 1;
        ShiftHeld = 1;
        RunSaveMenu();
        EXPECT_EQ(SaveMenuRequest, 0);
        EXPECT_EQ(ShiftHeld, 0);
    }
    static size_t FileSize(const char* name)
    {
        std::error_code ec;
        auto size = fs::file_size(name, ec);
        return ec ? 0 : static_cast<size_t>(size);
    }
    static std::vector<std::string> Files()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator("."))
            names.push_back(entry.path().filename().string());
        return names;
    }

    ScratchDirectory scratch;
    PictureLog pictures;
};

TEST_F(SaveMenuTest, SavesAMemoryArea)
{
    pictures.KeysAt(0, {DIK_RETURN, 0, DIK_G, DIK_A, DIK_M, DIK_E, DIK_RETURN, DIK_1, DIK_0, DIK_0, DIK_1, DIK_RETURN,
                        DIK_1, DIK_0, DIK_6, DIK_5, DIK_RETURN, DIK_RETURN});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 18u);

    const WindowPicture& page = pictures.pictures[0];
    EXPECT_EQ(ReadCells(page, 0, 0, 5, 0x46, 0x33), "     ");
    EXPECT_EQ(ReadCells(page, 5, 0, 12, 0x71, 0x33), "SAVE PROGRAM");
    EXPECT_EQ(ReadCells(page, 17, 0, 23, 0x46, 0x33), "  -  SAVE SNAPSHOT     ");
    EXPECT_EQ(ReadCells(page, 0, 24, 3, 0x3B, 0x61), "ESC");
    EXPECT_EQ(ReadCells(page, 3, 24, 6, 0x4F, 0x61), "-BACK ");
    EXPECT_EQ(ReadCells(page, 9, 24, 5, 0x3B, 0x61), "ENTER");
    EXPECT_EQ(ReadCells(page, 14, 24, 26, 0x4F, 0x61), "-SAVE                     ");
    EXPECT_EQ(ReadCells(page, 0, 5, 40, 0x71, 0x00), "   PRESS ENTER TO SAVE A MEMORY AREA    ");

    const WindowPicture& askName = pictures.pictures[1];
    EXPECT_EQ(ReadCells(askName, 0, 8, 40, 0x71, 0x00), "             ENTER FILENAME:            ");
    EXPECT_EQ(ReadCells(askName, 0, 5, 40, 0x71, 0x00), "   PRESS ENTER TO SAVE A MEMORY AREA    ");
    EXPECT_EQ(ReadCells(askName, 10, 10, 20, FieldInk, 0x00), std::string(20, '`'));

    // The empty field: the cursor block, then spaces.
    EXPECT_EQ(ReadCells(pictures.pictures[2], 10, 10, 1, FieldInk, FieldInk), "#");
    EXPECT_EQ(ReadCells(pictures.pictures[2], 11, 10, 19, FieldInk, FieldPaper), std::string(19, ' '));
    EXPECT_EQ(ReadCells(pictures.pictures[6], 10, 10, 4, FieldInk, FieldPaper), "GAME");
    EXPECT_EQ(ReadCells(pictures.pictures[6], 14, 10, 1, FieldInk, FieldInk), "#");

    const WindowPicture& askStart = pictures.pictures[7];
    EXPECT_EQ(ReadCells(askStart, 10, 10, 20, FieldInk, FieldPaper), "GAME.PRG            ");
    EXPECT_EQ(ReadCells(askStart, 10, 12, 16, 0x71, 0x00), "START ADDRESS: $");
    EXPECT_EQ(ReadCells(askStart, 26, 12, 1, FieldInk, FieldInk), "#");
    EXPECT_EQ(ReadCells(askStart, 10, 14, 16, 0x71, 0x00), std::string(16, '`'));
    // Four digits fill the field: no cursor.
    EXPECT_EQ(ReadCells(pictures.pictures[11], 26, 12, 4, FieldInk, FieldPaper), "1001");

    const WindowPicture& done = pictures.pictures[17];
    EXPECT_EQ(ReadCells(done, 26, 12, 4, FieldInk, FieldPaper), "1001");
    EXPECT_EQ(ReadCells(done, 10, 14, 16, 0x71, 0x00), "  END ADDRESS: $");
    EXPECT_EQ(ReadCells(done, 26, 14, 4, FieldInk, FieldPaper), "1065");
    EXPECT_EQ(ReadCells(done, 0, 18, 40, 0x71, 0x00), "          OPERATION SUCCESSFUL          ");
    EXPECT_EQ(ReadCells(done, 0, 20, 14, 0x71, 0x00), "        PRESS ");
    EXPECT_EQ(ReadCells(done, 14, 20, 5, 0x4F, 0x00), "ENTER");
    EXPECT_EQ(ReadCells(done, 19, 20, 21, 0x71, 0x00), " TO CONTINUE!        ");

    // 0x1001-0x1064 and the two address bytes.
    std::vector<uint8_t> file = ReadBinaryFile("GAME.PRG");
    ASSERT_EQ(file.size(), 102u);
    EXPECT_EQ(file[0], 0x01);
    EXPECT_EQ(file[1], 0x10);
    EXPECT_TRUE(std::equal(file.begin() + 2, file.end(), Ram64 + 0x1001));
}

TEST_F(SaveMenuTest, ShortAddressesArePaddedWithZeros)
{
    // Empty start, end "1": 0000-0001.
    pictures.KeysAt(0, {DIK_RETURN, 0, DIK_A, DIK_RETURN, DIK_RETURN, DIK_1, DIK_RETURN, DIK_RETURN});
    Run();
    const WindowPicture& done = pictures.Last();
    EXPECT_EQ(ReadCells(done, 26, 12, 4, FieldInk, FieldPaper), "0000");
    EXPECT_EQ(ReadCells(done, 26, 14, 4, FieldInk, FieldPaper), "0001");
    std::vector<uint8_t> file = ReadBinaryFile("A.PRG");
    EXPECT_EQ(file, (std::vector<uint8_t>{0x00, 0x00, Ram64[0]}));
}

TEST_F(SaveMenuTest, AnEndOfZeroIsIllegal)
{
    pictures.KeysAt(0, {DIK_RETURN, 0, DIK_B, DIK_RETURN, DIK_F, DIK_F, DIK_RETURN, DIK_RETURN, DIK_RETURN});
    Run();
    const WindowPicture& done = pictures.Last();
    EXPECT_EQ(ReadCells(done, 26, 12, 4, FieldInk, FieldPaper), "00FF");
    EXPECT_EQ(ReadCells(done, 26, 14, 4, FieldInk, FieldPaper), "0000");
    EXPECT_EQ(ReadCells(done, 0, 18, 40, 0x3B, 0x00), "     ILLEGAL START AND END ADDRESS      ");
    EXPECT_TRUE(Files().empty());
}

TEST_F(SaveMenuTest, EqualAddressesAreIllegal)
{
    pictures.KeysAt(0, {DIK_RETURN, 0, DIK_C, DIK_RETURN, DIK_1, DIK_RETURN, DIK_1, DIK_RETURN, DIK_RETURN});
    Run();
    EXPECT_EQ(ReadCells(pictures.Last(), 0, 18, 40, 0x3B, 0x00), "     ILLEGAL START AND END ADDRESS      ");
    EXPECT_TRUE(Files().empty());
}

TEST_F(SaveMenuTest, TheWholeRangeAndAnEmptyName)
{
    // Start 0000, end FFFF: 65,535 bytes.  No name: ".PRG".
    pictures.KeysAt(0, {DIK_RETURN, 0, DIK_RETURN, DIK_RETURN, DIK_F, DIK_F, DIK_F, DIK_F, DIK_RETURN, DIK_RETURN});
    Run();
    EXPECT_EQ(FileSize(".PRG"), 65537u);
}

TEST_F(SaveMenuTest, ANameOfTwentyCharactersHasNoCursor)
{
    std::vector<uint8_t> keys = {DIK_RETURN, 0};
    const uint8_t letters[] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I, DIK_J,
                               DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R, DIK_S, DIK_SPACE};
    keys.insert(keys.end(), std::begin(letters), std::end(letters));
    keys.push_back(DIK_Z);      // ignored: the field is full
    keys.push_back(DIK_BACK);   // back to 19
    keys.push_back(DIK_ESCAPE);
    for (size_t i = 0; i < keys.size(); i++)
        if (keys[i])
            pictures.KeysAt(i, {keys[i]});
    Run();
    ASSERT_EQ(pictures.pictures.size(), keys.size());
    const WindowPicture& full = pictures.pictures[22];
    EXPECT_EQ(ReadCells(full, 10, 10, 20, FieldInk, FieldPaper), "ABCDEFGHIJKLMNOPQRS ");
    EXPECT_EQ(ReadCells(full, 30, 10, 1, FieldInk, 0x00), "`");
    EXPECT_EQ(ReadCells(pictures.pictures[23], 10, 10, 20, FieldInk, FieldPaper), "ABCDEFGHIJKLMNOPQRS ");
    const WindowPicture& shorter = pictures.pictures[24];
    EXPECT_EQ(ReadCells(shorter, 10, 10, 19, FieldInk, FieldPaper), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(ReadCells(shorter, 29, 10, 1, FieldInk, FieldInk), "#");
    // Escape in the name field: nothing written.
    EXPECT_TRUE(Files().empty());
}

TEST_F(SaveMenuTest, EscapeAnywhereWritesNothing)
{
    struct Case {
        const char* where;
        std::vector<uint8_t> keys;
    };
    const Case cases[] = {
        {"page", {DIK_ESCAPE}},
        {"name", {DIK_RETURN, 0, DIK_A, DIK_ESCAPE}},
        {"start", {DIK_RETURN, 0, DIK_A, DIK_RETURN, DIK_1, DIK_ESCAPE}},
        {"end", {DIK_RETURN, 0, DIK_A, DIK_RETURN, DIK_1, DIK_RETURN, DIK_2, DIK_ESCAPE}},
        {"snapshot name", {DIK_RIGHT, DIK_RETURN, 0, DIK_A, DIK_ESCAPE}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        PictureLog log;
        log.Start();
        for (size_t i = 0; i < c.keys.size(); i++)
            if (c.keys[i])
                log.KeysAt(i, {c.keys[i]});
        Run();
        EXPECT_EQ(log.pictures.size(), c.keys.size());
        EXPECT_TRUE(Files().empty());
    }
}

TEST_F(SaveMenuTest, PagesAndTheSnapshotSave)
{
    // Left stays on PROGRAM, Right goes to SNAPSHOT and stays there.
    pictures.KeysAt(0, {DIK_LEFT, DIK_RIGHT, DIK_RIGHT, DIK_RETURN, 0, DIK_S, DIK_1, DIK_RETURN, DIK_RETURN});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 9u);
    EXPECT_EQ(ReadCells(pictures.pictures[1], 5, 0, 12, 0x71, 0x33), "SAVE PROGRAM");
    for (size_t n : {2u, 3u}) {
        const WindowPicture& p = pictures.pictures[n];
        EXPECT_EQ(ReadCells(p, 5, 0, 12, 0x46, 0x33), "SAVE PROGRAM") << n;
        EXPECT_EQ(ReadCells(p, 22, 0, 13, 0x71, 0x33), "SAVE SNAPSHOT") << n;
        EXPECT_EQ(ReadCells(p, 0, 5, 40, 0x71, 0x00), "     PRESS ENTER TO SAVE A SNAPSHOT     ") << n;
    }
    const WindowPicture& done = pictures.Last();
    EXPECT_EQ(ReadCells(done, 10, 10, 20, FieldInk, FieldPaper), "S1.FRE              ");
    EXPECT_EQ(ReadCells(done, 10, 12, 16, 0x71, 0x00), std::string(16, '`'));
    EXPECT_EQ(ReadCells(done, 0, 18, 40, 0x71, 0x00), "          OPERATION SUCCESSFUL          ");
    EXPECT_EQ(FileSize("S1.FRE"), 65608u);
}

TEST_F(SaveMenuTest, AFailedSaveSaysSo)
{
    // A directory in the way: the file can't be written.
    fs::create_directory("BAD.PRG");
    fs::create_directory("BAD.FRE");
    pictures.KeysAt(0, {DIK_RETURN, 0, DIK_B, DIK_A, DIK_D, DIK_RETURN, DIK_1, DIK_RETURN, DIK_2, DIK_RETURN,
                        DIK_RETURN});
    Run();
    EXPECT_EQ(ReadCells(pictures.Last(), 0, 18, 40, 0x3B, 0x00), "            OPERATION FAILED            ");

    PictureLog snapshot;
    snapshot.Start();
    snapshot.KeysAt(0, {DIK_RIGHT, DIK_RETURN, 0, DIK_B, DIK_A, DIK_D, DIK_RETURN, DIK_RETURN});
    Run();
    EXPECT_EQ(ReadCells(snapshot.Last(), 0, 18, 40, 0x3B, 0x00), "            OPERATION FAILED            ");
    EXPECT_TRUE(fs::is_directory("BAD.PRG"));
    EXPECT_TRUE(fs::is_directory("BAD.FRE"));
}

TEST(ParseHex4, ReadsFourDigits)
{
    EXPECT_EQ(ParseHex4("0000"), 0x0000);
    EXPECT_EQ(ParseHex4("1001"), 0x1001);
    EXPECT_EQ(ParseHex4("FFFF"), 0xFFFF);
    EXPECT_EQ(ParseHex4("A0B1"), 0xA0B1);
    EXPECT_EQ(ParseHex4("12345"), 0x1234);
}

}  // namespace
