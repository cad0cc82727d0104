// The load menu driven by scripted keys on directories built by the tests:
// its pages, the list and its keys, walking the tree, drive mode, loading.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "files/program_file.h"
#include "files/snapshot_file.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "cartridge/cartridge.h"
#include "platform/headless/headless_control.h"
#include "tape/datassette.h"
#include "tape/tap_image.h"
#include "ted/memory_map.h"
#include "ui/file_listing.h"
#include "ui/menus.h"
#include "ui/text.h"
#include "ui/ui_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr uint8_t DirectoryInk = 0x23, FileInk = 0x61, SelectedDirectoryInk = 0x43, SelectedFileInk = 0x71;
constexpr uint8_t SelectedPaper = 0x51;

// Letters show in capitals.
std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class LoadMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BootMenuMachine());
        fs::create_directory("here");
        fs::current_path("here");
        pictures.Start();
        // Should a test lose its way, Escape ends the menu eventually.
        uint64_t t = HeadlessTicks();
        HeadlessAtTick(t + 3000, [] { HeadlessSetKey(DIK_ESCAPE, true); });
    }
    static void MakeFile(const std::string& name, const std::vector<uint8_t>& bytes = {0x01, 0x10, 0xAA})
    {
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // Picture n is presented by pass n + 1 of the loop.  A key tapped at
    // picture n reaches that pass's page keys (Escape, Left, Right, Enter
    // on a file) and the next pass's list keys, whose effect picture n + 1
    // shows.
    void Run()
    {
        LoadMenuRequest = 1;
        RunLoadMenu();
        EXPECT_EQ(LoadMenuRequest, 0);
    }
    // The list row of a picture: the name and how it is drawn.
    static void ExpectRow(const WindowPicture& p, int row, const std::string& name, bool directory, bool selected)
    {
        SCOPED_TRACE("row " + std::to_string(row) + " " + name);
        uint8_t paper = selected ? SelectedPaper : 0x00;
        uint8_t ink = selected ? (directory ? SelectedDirectoryInk : SelectedFileInk)
                               : (directory ? DirectoryInk : FileInk);
        EXPECT_EQ(ReadCells(p, 8, row, 2, 0x71, paper), "  ");
        size_t shown = std::min<size_t>(name.size(), 30);
        EXPECT_EQ(ReadCells(p, 10, row, static_cast<int>(shown), ink, paper), Upper(name.substr(0, shown)));
        if (name.size() < 22) {
            int rest = 22 - static_cast<int>(name.size());
            EXPECT_EQ(ReadCells(p, 10 + static_cast<int>(name.size()), row, rest, 0x71, paper), std::string(rest, ' '));
        }
    }
    static void ExpectEmptyRow(const WindowPicture& p, int row)
    {
        EXPECT_EQ(ReadCells(p, 8, row, 24, 0x71, 0x00), std::string(24, ' ')) << "row " << row;
    }
    // The list row drawn on the highlight, or -1.
    static int SelectedRow(const WindowPicture& p)
    {
        for (int row = 6; row <= 20; row++)
            if (ReadCells(p, 8, row, 2, 0x71, SelectedPaper) == "  ")
                return row;
        return -1;
    }

    ScratchDirectory scratch;
    PictureLog pictures;
};

void MakeExample()
{
    for (const char* d : {"b", "A"})
        fs::create_directory(d);
    std::ofstream("Z.PRG") << "x";
    std::ofstream("a.PRG") << "x";
    std::ofstream("S1.FRE") << "x";
}

TEST_F(LoadMenuTest, ShowsTheProgramPage)
{
    MakeExample();
    pictures.KeysAt(1, {DIK_ESCAPE});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 2u);
    const WindowPicture& p = pictures.pictures[0];
    EXPECT_EQ(ReadCells(p, 0, 0, 1, 0x46, 0x33), " ");
    EXPECT_EQ(ReadCells(p, 1, 0, 7, 0x71, 0x33), "PROGRAM");
    EXPECT_EQ(ReadCells(p, 8, 0, 32, 0x46, 0x33), " - SNAPSHOT - TAPE - DISK - CART");
    struct Piece {
        int column;
        const char* text;
        uint8_t ink;
    };
    for (const Piece& piece : {Piece{0, "ESC", 0x3B}, Piece{3, "-BACK ", 0x4F}, Piece{9, "ENTER", 0x3B},
                               Piece{14, "-LOAD ", 0x4F}, Piece{20, "UP", 0x3B}, Piece{22, "/", 0x4F},
                               Piece{23, "DOWN", 0x3B}, Piece{27, "-MOVE ", 0x4F}, Piece{33, "D", 0x45},
                               Piece{34, "-DRIVE", 0x4F}})
        EXPECT_EQ(ReadCells(p, piece.column, 24, static_cast<int>(strlen(piece.text)), piece.ink, 0x61), piece.text);
    EXPECT_EQ(ReadCells(p, 9, 2, 22, 0x71, 0x00), "SELECT A FILE TO LOAD:");
    std::string path = fs::current_path().string();
    ASSERT_LT(path.size(), 40u);
    int column = 20 - static_cast<int>(path.size()) / 2;
    EXPECT_EQ(ReadCells(p, column, 4, static_cast<int>(path.size()), 0x46, 0x00), Upper(path));
    EXPECT_EQ(ReadCells(p, 1, 22, 7, 0x41, 0x00), "DRIVES:");
    EXPECT_EQ(ReadCells(p, 9, 22, 1, 0x71, 0x00), "/");

    ExpectRow(p, 6, "..", true, true);
    ExpectRow(p, 7, "A", true, false);
    ExpectRow(p, 8, "b", true, false);
    ExpectRow(p, 9, "Z.PRG", false, false);
    ExpectRow(p, 10, "a.PRG", false, false);
    for (int row = 11; row <= 20; row++)
        ExpectEmptyRow(p, row);
}

TEST_F(LoadMenuTest, PagesAndTheirListings)
{
    MakeExample();
    // SNAPSHOT, TAPE, DISK, CART, CART again, Enter there, back to DISK, Escape.
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_RETURN, DIK_LEFT, DIK_ESCAPE});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 8u);
    const WindowPicture& snapshot = pictures.pictures[1];
    EXPECT_EQ(ReadCells(snapshot, 11, 0, 8, 0x71, 0x33), "SNAPSHOT");
    EXPECT_EQ(ReadCells(snapshot, 1, 0, 7, 0x46, 0x33), "PROGRAM");
    EXPECT_EQ(ReadCells(snapshot, 27, 24, 13, 0x4F, 0x61), "-MOVE        ");
    ExpectRow(snapshot, 6, "..", true, true);
    ExpectRow(snapshot, 9, "S1.FRE", false, false);
    ExpectEmptyRow(snapshot, 10);

    const WindowPicture& tape = pictures.pictures[2];
    EXPECT_EQ(ReadCells(tape, 22, 0, 4, 0x71, 0x33), "TAPE");
    EXPECT_EQ(ReadCells(tape, 8, 2, 24, 0x71, 0x00), "SELECT A TAPE TO INSERT:");
    ExpectRow(tape, 6, "<NEW EMPTY TAPE>", true, true);
    ExpectRow(tape, 7, "..", true, false);
    EXPECT_EQ(ReadCells(tape, 7, 21, 5, 0x71, 0x00), "EMPTY");
    EXPECT_EQ(ReadCells(tape, 28, 22, 10, 0x71, 0x00), "000 STOP  ");
    EXPECT_EQ(ReadCells(tape, 1, 23, 5, 0x4F, 0x00), "-PLAY");
    EXPECT_EQ(ReadCells(pictures.pictures[3], 29, 0, 4, 0x71, 0x33), "DISK");
    EXPECT_EQ(ReadCells(pictures.pictures[3], 8, 2, 24, 0x71, 0x00), "SELECT A DISK TO ATTACH:");
    for (size_t n : {4u, 5u, 6u}) {
        EXPECT_EQ(ReadCells(pictures.pictures[n], 36, 0, 4, 0x71, 0x33), "CART") << n;
        EXPECT_EQ(ReadCells(pictures.pictures[n], 5, 2, 30, 0x71, 0x00), "SELECT A CARTRIDGE TO PLUG IN:") << n;
    }
    EXPECT_EQ(ReadCells(pictures.pictures[7], 29, 0, 4, 0x71, 0x33), "DISK");
}

TEST_F(LoadMenuTest, PageChangesRebuildBothListings)
{
    MakeExample();
    pictures.AtPicture(1, [] {
        std::ofstream("NEW.PRG") << "x";
        std::ofstream("NEW.FRE") << "x";
    });
    pictures.KeysAt(0, {DIK_RIGHT, 0, DIK_RIGHT, DIK_LEFT, DIK_LEFT, DIK_ESCAPE});
    Run();
    // Made while SNAPSHOT was shown: seen only after the next page change,
    // and then on both pages.
    ExpectEmptyRow(pictures.pictures[2], 10);
    EXPECT_EQ(ProgramList.count, 6);
    EXPECT_EQ(SnapshotList.count, 5);
    ExpectRow(pictures.pictures[4], 9, "NEW.FRE", false, false);
    ExpectRow(pictures.pictures[5], 9, "NEW.PRG", false, false);
    EXPECT_EQ(ReadCells(pictures.pictures[5], 1, 0, 7, 0x71, 0x33), "PROGRAM");
}

TEST_F(LoadMenuTest, EndPageDownPageUpAndHome)
{
    for (int i = 1; i < 40; i++)   // with "..", 40 entries
        fs::create_directory("d" + std::to_string(100 + i));
    pictures.KeysAt(0, {DIK_END, 0, DIK_HOME, 0, 0});
    pictures.PressAt(5, DIK_NEXT);
    pictures.PressAt(7, DIK_NEXT);
    pictures.PressAt(9, DIK_PRIOR);
    pictures.KeysAt(11, {DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 12u);
    // End: entry 39 selected, entries 25-39 shown.
    ExpectRow(pictures.pictures[1], 6, "d125", true, false);
    ExpectRow(pictures.pictures[1], 20, "d139", true, true);
    // Home.
    ExpectRow(pictures.pictures[3], 6, "..", true, true);
    // Page Down from 0, 0: selection 15, top 15 (40 - 15 = 25 allows it).
    EXPECT_EQ(SelectedRow(pictures.pictures[6]), 6);
    ExpectRow(pictures.pictures[6], 6, "d115", true, true);
    // Again: selection 30, top 25.
    ExpectRow(pictures.pictures[8], 6, "d125", true, false);
    EXPECT_EQ(SelectedRow(pictures.pictures[8]), 11);
    // Page Up: selection 15, top 10.
    ExpectRow(pictures.pictures[10], 6, "d110", true, false);
    EXPECT_EQ(SelectedRow(pictures.pictures[10]), 11);
}

TEST_F(LoadMenuTest, EndAndPageDownOnShortListings)
{
    for (int i = 1; i < 20; i++)   // 20 entries
        fs::create_directory("d" + std::to_string(100 + i));
    pictures.PressAt(0, DIK_NEXT);
    pictures.KeysAt(2, {DIK_ESCAPE});
    Run();
    // Page Down from 0, 0 on 20 entries: selection 15, top 5.
    ExpectRow(pictures.pictures[1], 6, "d105", true, false);
    EXPECT_EQ(SelectedRow(pictures.pictures[1]), 16);
    ExpectRow(pictures.pictures[1], 16, "d115", true, true);
    ExpectRow(pictures.pictures[1], 20, "d119", true, false);

    // Ten entries: End selects entry 9 with top 0.
    fs::create_directory("../ten");
    fs::current_path("../ten");
    for (int i = 1; i < 10; i++)
        fs::create_directory("e" + std::to_string(i));
    PictureLog more;
    more.Start();
    more.KeysAt(0, {DIK_END, DIK_ESCAPE});
    Run();
    ExpectRow(more.pictures[1], 6, "..", true, false);
    ExpectRow(more.pictures[1], 15, "e9", true, true);
    ExpectEmptyRow(more.pictures[1], 16);
}

TEST_F(LoadMenuTest, UpAndDownMoveTheListWindow)
{
    for (int i = 1; i < 17; i++)   // 17 entries
        fs::create_directory("d" + std::to_string(100 + i));
    pictures.KeysAt(0, {DIK_END});   // selection 16, top 2
    for (size_t n = 2; n < 18; n += 2)
        pictures.PressAt(n, DIK_UP);
    pictures.PressAt(18, DIK_DOWN);
    pictures.KeysAt(20, {DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 21u);
    EXPECT_EQ(SelectedRow(pictures.pictures[1]), 20);
    ExpectRow(pictures.pictures[1], 6, "d102", true, false);
    // Eight times Up: selection 8, the window still at 2.
    EXPECT_EQ(SelectedRow(pictures.pictures[17]), 12);
    ExpectRow(pictures.pictures[17], 6, "d102", true, false);
    EXPECT_EQ(SelectedRow(pictures.pictures[19]), 13);
}

TEST_F(LoadMenuTest, WindowFollowsTheSelectionOffItsEdges)
{
    for (int i = 1; i < 17; i++)
        fs::create_directory("d" + std::to_string(100 + i));
    // Fifteen Downs bring the selection to 15: the window moves to top 1.
    for (size_t n = 0; n < 30; n += 2)
        pictures.PressAt(n, DIK_DOWN);
    pictures.PressAt(30, DIK_UP);   // back to 14: still inside
    pictures.KeysAt(32, {DIK_HOME, 0, DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 33u);
    EXPECT_EQ(SelectedRow(pictures.pictures[27]), 20);   // selection 14, top 0
    ExpectRow(pictures.pictures[27], 6, "..", true, false);
    EXPECT_EQ(SelectedRow(pictures.pictures[29]), 20);   // selection 15, top 1
    ExpectRow(pictures.pictures[29], 6, "d101", true, false);
    EXPECT_EQ(SelectedRow(pictures.pictures[31]), 19);
    EXPECT_EQ(SelectedRow(pictures.pictures[33]), 6);
    ExpectRow(pictures.pictures[33], 6, "..", true, true);
}

TEST_F(LoadMenuTest, HoldingDownRepeatsAtTheKeyboardsPace)
{
    for (int i = 1; i < 14; i++)
        fs::create_directory("d" + std::to_string(100 + i));
    std::vector<uint64_t> ticks;
    for (size_t n = 0; n < 6; n++)
        pictures.AtPicture(n, [&ticks] { ticks.push_back(HeadlessTicks()); });
    pictures.AtPicture(0, [] { HeadlessSetKey(DIK_DOWN, true); });
    pictures.AtPicture(4, [] { HeadlessSetKey(DIK_DOWN, false); });
    pictures.KeysAt(5, {DIK_ESCAPE});
    Run();
    ASSERT_EQ(ticks.size(), 6u);
    // One entry at once; the next after 30 vertical blanks; then every 4.
    EXPECT_EQ(ticks[1] - ticks[0], 1u);
    EXPECT_EQ(ticks[2] - ticks[1], 31u);
    EXPECT_EQ(ticks[3] - ticks[2], 5u);
    for (int n = 1; n <= 4; n++)
        EXPECT_EQ(SelectedRow(pictures.pictures[n]), 6 + n) << n;
}

// ---- Walking the tree -------------------------------------------------------

TEST_F(LoadMenuTest, EnteringAndLeavingDirectories)
{
    MakeExample();
    fs::path here = fs::current_path();
    // A name beginning with '.' is entered like any other; only ".." goes up.
    fs::create_directory(".config");
    std::ofstream(".config/INNER.PRG") << "x";
    pictures.PressAt(0, DIK_DOWN);      // .config
    pictures.KeysAt(2, {DIK_RETURN});   // into .config: .., INNER.PRG
    pictures.KeysAt(4, {DIK_RETURN});   // ".." back: .config selected
    pictures.KeysAt(6, {DIK_ESCAPE});
    Run();
    ExpectRow(pictures.pictures[3], 6, "..", true, true);
    ExpectRow(pictures.pictures[3], 7, "INNER.PRG", false, false);
    ExpectRow(pictures.pictures[5], 6, "..", true, false);
    ExpectRow(pictures.pictures[5], 7, ".config", true, true);
    EXPECT_EQ(fs::current_path(), here);
}

TEST_F(LoadMenuTest, GoingUpSelectsTheDirectoryLeftIgnoringCase)
{
    // GAMES: "..", A00-A18, PLUS4 (entry 20), plus4 (entry 21).
    fs::create_directories("GAMES/PLUS4");
    fs::create_directories("GAMES/plus4");
    for (int i = 0; i < 19; i++)
        fs::create_directory("GAMES/A" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    fs::current_path("GAMES");
    pictures.KeysAt(0, {DIK_END});          // plus4
    pictures.PressAt(1, DIK_UP);            // PLUS4
    pictures.KeysAt(3, {DIK_RETURN, 0, DIK_RETURN, 0});   // in, and up again
    pictures.KeysAt(7, {DIK_END, 0});       // plus4
    pictures.KeysAt(9, {DIK_RETURN, 0, DIK_RETURN, 0});
    pictures.KeysAt(13, {DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 14u);
    // Back from PLUS4: entry 20 selected, entries 12-26 shown.
    const WindowPicture& back = pictures.pictures[6];
    ExpectRow(back, 6, "A11", true, false);
    ExpectRow(back, 14, "PLUS4", true, true);
    ExpectRow(back, 15, "plus4", true, false);
    ExpectEmptyRow(back, 16);
    // Back from plus4: the first name that matches without regard to case.
    EXPECT_EQ(SelectedRow(pictures.pictures[12]), 14);
    ExpectRow(pictures.pictures[12], 14, "PLUS4", true, true);
}

TEST_F(LoadMenuTest, ADirectoryThatCannotBeEnteredLeavesUsWhereWeWere)
{
    MakeExample();
    fs::path here = fs::current_path();
    pictures.PressAt(0, DIK_DOWN);
    pictures.AtPicture(1, [] { fs::remove("A"); });
    pictures.KeysAt(2, {DIK_RETURN, 0, DIK_ESCAPE});
    Run();
    EXPECT_EQ(fs::current_path(), here);
    ExpectRow(pictures.pictures[3], 6, "..", true, true);
    ExpectRow(pictures.pictures[3], 7, "b", true, false);
}

TEST_F(LoadMenuTest, DriveModeOffersTheRoot)
{
    MakeExample();
    // D, Right (one drive only: stays), Escape (drive mode off, menu stays),
    // D again, Enter: the root.
    pictures.KeysAt(0, {DIK_D, DIK_RIGHT, DIK_ESCAPE, DIK_D, 0, DIK_RETURN, 0, DIK_ESCAPE});
    Run();
    ASSERT_EQ(pictures.pictures.size(), 8u);
    const WindowPicture& normal = pictures.pictures[0];
    EXPECT_EQ(ReadCells(normal, 1, 22, 7, 0x41, 0x00), "DRIVES:");
    const WindowPicture& driveMode = pictures.pictures[2];
    EXPECT_EQ(ReadCells(driveMode, 1, 22, 7, 0x71, 0x00), "DRIVES:");
    EXPECT_EQ(ReadCells(driveMode, 9, 22, 1, 0x71, 0x43), "/");
    EXPECT_EQ(ReadCells(pictures.pictures[4], 1, 22, 7, 0x41, 0x00), "DRIVES:");
    EXPECT_EQ(fs::current_path(), fs::path("/"));
    const WindowPicture& root = pictures.pictures[7];
    EXPECT_EQ(ReadCells(root, 20, 4, 1, 0x46, 0x00), "/");
    EXPECT_NE(SelectedRow(root), -1);
    EXPECT_EQ(SelectedRow(root), 6);
    EXPECT_NE(ReadCells(root, 10, 6, 2, SelectedDirectoryInk, SelectedPaper), "..");
}

TEST_F(LoadMenuTest, AnEmptyListingSaysSo)
{
    fs::create_directory("gone");
    fs::current_path("gone");
    fs::remove("../gone");
    pictures.KeysAt(0, {DIK_END});
    pictures.PressAt(1, DIK_NEXT);
    pictures.PressAt(3, DIK_DOWN);
    pictures.KeysAt(5, {DIK_RETURN, 0, DIK_ESCAPE});
    Run();
    for (const auto& p : pictures.pictures) {
        EXPECT_EQ(ReadCells(p, 15, 5, 9, 0x58, 0x00), "NO FILES.");
        EXPECT_EQ(ReadCells(p, 8, 6, 24, 0x71, 0x00), std::string(24, '`'));
    }
}

TEST_F(LoadMenuTest, LongNamesAreCutAtTheWindowsEdge)
{
    std::string name;
    for (int i = 0; i < 66; i++)
        name += static_cast<char>('A' + i % 26);
    name += ".PRG";   // 70 characters, 63 of them listed
    std::ofstream(name) << "x";
    std::vector<uint8_t> before(FrameBuffer, FrameBuffer + FrameLines * FrameWidth);
    pictures.KeysAt(0, {DIK_END, DIK_ESCAPE});
    Run();
    // The name starts at column 10: 30 characters in the window, and not
    // one pixel outside it, during the menu or after.
    const WindowPicture& p = pictures.pictures[1];
    EXPECT_EQ(ReadCells(p, 16, 7, 24, SelectedFileInk, SelectedPaper), name.substr(6, 24));
    for (uint32_t line = 0; line < FrameLines; line++) {
        for (uint32_t x = 0; x < FrameWidth; x++) {
            if (line < 56 || line >= 256 || x < 64 || x >= 384) {
                ASSERT_EQ(FrameBuffer[line * FrameWidth + x], before[line * FrameWidth + x]) << line << ", " << x;
            }
        }
    }
}

TEST_F(LoadMenuTest, ThreeHundredDirectories)
{
    for (int i = 0; i < 300; i++)
        fs::create_directory("dir" + std::to_string(1000 + i));
    std::ofstream("ONE.PRG") << "x";
    pictures.KeysAt(0, {DIK_END, DIK_ESCAPE});
    Run();
    EXPECT_EQ(ProgramList.count, 251);
    ExpectRow(pictures.pictures[1], 20, "ONE.PRG", false, true);
    ExpectRow(pictures.pictures[1], 6, ProgramList.entries[236].name, true, false);
}

// ---- Loading --------------------------------------------------------------------

TEST_F(LoadMenuTest, EnterOnAProgramLoadsIt)
{
    MakeFile("\xFF.PRG", {0x00, 0x30, 0x11, 0x22, 0x33});   // not valid text: still loadable
    Ram64[0x3000] = Ram64[0x3001] = Ram64[0x3002] = 0;
    if (!LoadProgramFile("\xFF.PRG"))
        GTEST_SKIP() << "program files not available in this build";
    Ram64[0x3000] = Ram64[0x3001] = Ram64[0x3002] = 0;
    pictures.KeysAt(0, {DIK_END, DIK_RETURN});
    Run();
    EXPECT_EQ(pictures.pictures.size(), 2u);
    EXPECT_EQ(Ram64[0x3000], 0x11);
    EXPECT_EQ(Ram64[0x3001], 0x22);
    EXPECT_EQ(Ram64[0x3002], 0x33);
}

TEST_F(LoadMenuTest, EnterOnASnapshotLoadsIt)
{
    Ram64[0x4000] = 0x5A;
    Ram64[0xFF11] = 0x00;   // silent in the snapshot
    if (!SaveSnapshotFile("MACHINE.FRE"))
        GTEST_SKIP() << "snapshot files not available in this build";
    Ram64[0x4000] = 0x00;
    WriteByte(0xFF11, 0x18);   // voice 1 plays before the load
    pictures.KeysAt(0, {DIK_RIGHT, DIK_END, DIK_RETURN});   // SNAPSHOT, the last entry
    Run();
    EXPECT_EQ(pictures.pictures.size(), 3u);
    EXPECT_EQ(Ram64[0x4000], 0x5A);
    EXPECT_EQ(HeadlessSoundBuffer(g_pDSBuffer1).volume, -10000) << "the old tone plays on";
}

// A file that is no longer what was listed (cut short, or replaced by a
// fifo, which must not block the opening) loads nothing: the menu says so
// and closes on Enter.
TEST_F(LoadMenuTest, AFileThatCannotBeLoadedSaysSoAndChangesNothing)
{
    ASSERT_TRUE(SaveSnapshotFile("MACHINE.FRE"));
    MakeFile("GAME.PRG");
    for (bool snapshot : {false, true}) {
        PictureLog log;
        log.Start();
        log.AtPicture(1, [] {
            fs::resize_file("MACHINE.FRE", 40);
            fs::remove("GAME.PRG");
            mkfifo("GAME.PRG", 0644);
        });
        log.KeysAt(0, {snapshot ? DIK_RIGHT : uint8_t{0}, DIK_END, DIK_RETURN, DIK_RETURN});
        std::vector<uint8_t> ram(Ram64, Ram64 + 0x10000);
        Run();
        EXPECT_TRUE(std::equal(ram.begin(), ram.end(), Ram64)) << snapshot;
        ASSERT_EQ(log.pictures.size(), 4u) << snapshot;
        EXPECT_EQ(ReadCells(log.pictures[3], 0, 18, 40, 0x3B, 0x00), "            OPERATION FAILED            ");
    }
}

// A small valid tape: the header and three waves.
std::vector<uint8_t> SmallTape()
{
    std::vector<uint8_t> tap = {'C', '1', '6', '-', 'T', 'A', 'P', 'E', '-', 'R', 'A', 'W', 2, 2, 0, 0, 3, 0, 0, 0};
    tap.insert(tap.end(), {0x1A, 0x1A, 0x35});
    return tap;
}

TEST_F(LoadMenuTest, TapePageInsertsPressesKeysAndEjects)
{
    MakeExample();
    MakeFile("T.TAP", SmallTape());
    MakeFile("P.TAP", {'C', '6', '4', '-', 'T', 'A', 'P', 'E', '-', 'R', 'A', 'W', 1, 0, 0, 0, 0, 0, 0, 0});
    // TAPE; the last entry (T.TAP) in; PLAY; the C64 tape above it refused;
    // out again.
    DeckKey keyAfterPlay = DeckKey::Stop;
    pictures.AtPicture(6, [&] { keyAfterPlay = TapeKeyDown(); });
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_END, DIK_RETURN, DIK_P, 0, 0, DIK_UP, DIK_RETURN, 0, DIK_E, 0,
                        DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 12u);
    ExpectRow(pictures.pictures[3], 6, "<NEW EMPTY TAPE>", true, false);
    EXPECT_EQ(keyAfterPlay, DeckKey::Play);
    EXPECT_EQ(ReadCells(pictures.pictures[6], 7, 21, 5, 0x71, 0x00), "T.TAP");
    EXPECT_EQ(ReadCells(pictures.pictures[6], 28, 22, 10, 0x71, 0x00), "000 PLAY  ");
    EXPECT_EQ(ReadCells(pictures.pictures[10], 7, 21, 14, 0x58, 0x00), "A C64 TAPE IMA");
    EXPECT_FALSE(TapeAttached());
    EXPECT_EQ(ReadCells(pictures.pictures.back(), 7, 21, 5, 0x71, 0x00), "EMPTY");
}

TEST_F(LoadMenuTest, TapePageMakesANewEmptyTape)
{
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RETURN, DIK_N, DIK_1, DIK_RETURN, 0, 0, DIK_ESCAPE});
    Run();
    ASSERT_TRUE(fs::exists("N1.TAP"));
    EXPECT_EQ(fs::file_size("N1.TAP"), TapHeaderSize);
    EXPECT_TRUE(TapeAttached());
    TapImage image;
    std::string problem;
    EXPECT_TRUE(ReadTapFile("N1.TAP", &image, &problem)) << problem;   // a blank tape
    EXPECT_TRUE(image.waves.empty());
}

TEST_F(LoadMenuTest, TapePageWithoutADatassetteSaysWhy)
{
    SetDatassettePresent(false);
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_P, DIK_RETURN, DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 3u);
    EXPECT_EQ(ReadCells(pictures.pictures[2], 2, 2, 32, 0x71, 0x00), "THE OPEN ROM HAS NO TAPE SUPPORT");
    EXPECT_EQ(TapeKeyDown(), DeckKey::Stop);
}

TEST_F(LoadMenuTest, CartPagePlugsInRefusesAndPullsOut)
{
    MakeFile("C.BIN", std::vector<uint8_t>(16384, 0xC1));
    MakeFile("BAD.ROM", std::vector<uint8_t>(100, 0));
    // CART (.., BAD.ROM, C.BIN); C.BIN into slot 1; slot 2; BAD.ROM refused
    // there; slot 1 pulled out.
    bool pluggedIn = false;
    uint16_t resetAsked = 0;
    pictures.AtPicture(7, [&] {
        pluggedIn = CartridgeAttached(1);
        resetAsked = HardResetRequest;
    });
    pictures.KeysAt(0, {DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_END, DIK_RETURN, 0, 0, DIK_2, DIK_UP,
                        DIK_RETURN, 0, DIK_1, DIK_X, 0, DIK_ESCAPE});
    Run();
    ASSERT_GE(pictures.pictures.size(), 15u);
    EXPECT_TRUE(pluggedIn);
    EXPECT_EQ(resetAsked, 1);
    EXPECT_EQ(ReadCells(pictures.pictures[7], 10, 21, 14, 0x71, 0x00), "C.BIN (16 KIB)");
    EXPECT_EQ(ReadCells(pictures.pictures[12], 10, 23, 22, 0x58, 0x00), "A CARTRIDGE IMAGE HAS ");
    EXPECT_FALSE(CartridgeAttached(1));
    EXPECT_FALSE(CartridgeAttached(2));
    EXPECT_EQ(ReadCells(pictures.pictures.back(), 10, 21, 5, 0x71, 0x00), "EMPTY");
}

}  // namespace
