// The menus in the whole program: the headless runner types a BASIC
// program, saves it with the save menu, resets the machine, loads the file
// back with the load menu and runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace {

struct RunnerOutput {
    int exitCode = -1;
    std::string out, err;
};

RunnerOutput RunRunner(const ScratchDirectory& dir, const std::string& arguments)
{
    std::string command = "cd '" + dir.path + "' && timeout 300 '" + RAVLIN_BINARY_DIR + "/ravlin-headless' " +
                          arguments + " >runner.out 2>runner.err";
    RunnerOutput result;
    int status = std::system(command.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = dir.ReadText("runner.out");
    result.err = dir.ReadText("runner.err");
    return result;
}

TEST(MenusEndToEnd, SaveResetLoadAndRunABasicProgram)
{
    REQUIRE_REAL_ROMS();
    ScratchDirectory dir;
    dir.CopyRealRoms();
    dir.WriteText("settings", "ScreenMode=0\nSync=0\n");
    dir.WriteText("loop.script",
                  "frames 60\n"
                  "type 10 PRINT \"MENUS\"+\"OK\"\\n\n"
                  "frames 10\n"
                  "# Shift+F8: the save menu; SAVE PROGRAM, name, start, end\n"
                  "hold LSHIFT\n"
                  "press F8\n"
                  "release LSHIFT\n"
                  "frames 5\n"
                  "press RETURN\n"
                  "frames 3\n"
                  "type GAME\\n\n"
                  "type 1001\\n\n"
                  "type 1100\\n\n"
                  "frames 5\n"
                  "screen-text saved.txt\n"
                  "screenshot saved.bmp\n"
                  "press RETURN\n"
                  "frames 10\n"
                  "# Shift+F11: hard reset\n"
                  "hold LSHIFT\n"
                  "press F11\n"
                  "release LSHIFT\n"
                  "frames 100\n"
                  "screen-text reset.txt\n"
                  "# F8: the load menu; the file is the last entry\n"
                  "press F8\n"
                  "frames 5\n"
                  "press END\n"
                  "frames 3\n"
                  "press RETURN\n"
                  "frames 10\n"
                  "type LIST\\n\n"
                  "frames 20\n"
                  "type RUN\\n\n"
                  "frames 30\n"
                  "screen-text\n");
    RunnerOutput run = RunRunner(dir, "--script loop.script");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<uint8_t> file = ReadBinaryFile(dir.path + "/GAME.PRG");
    ASSERT_EQ(file.size(), 2u + 0x1100 - 0x1001);
    EXPECT_EQ(file[0], 0x01);
    EXPECT_EQ(file[1], 0x10);

    // After the reset the program is gone; after the load it lists and runs.
    EXPECT_EQ(dir.ReadText("reset.txt").find("MENUS"), std::string::npos) << dir.ReadText("reset.txt");
    EXPECT_NE(run.out.find("10 PRINT \"MENUS\"+\"OK\""), std::string::npos) << run.out;
    size_t ran = run.out.find("RUN");
    ASSERT_NE(ran, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("MENUSOK", ran), std::string::npos) << run.out;
}

}  // namespace
