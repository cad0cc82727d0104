// ravlin-headless --frames / --screen-text / --screenshot, with tiny ROM
// images (the boot tests use the real ones).
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "run_headless.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(HeadlessRunner, RejectsBadArguments)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    const std::pair<const char*, const char*> cases[] = {
        {"--frames -1", "--frames takes a whole number"}, {"--frames abc", "--frames takes a whole number"},
        {"--frames", "usage: ravlin-headless"}, {"--screenshot", "usage: ravlin-headless"},
        {"--bogus", "usage: ravlin-headless"}};
    for (const auto& [arguments, message] : cases) {
        HeadlessRun run = RunHeadless(dir, arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find(message), std::string::npos) << arguments;
    }
}

TEST(HeadlessRunner, StartUpFailureGoesToStandardError)
{
    ScratchDirectory dir;
    dir.WriteFile("basic.bin", {});   // there, but nothing can be read from it
    HeadlessRun run = RunHeadless(dir, "--frames 1 --screen-text");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("Ravlin Error: Error while loading BASIC.BIN"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

TEST(HeadlessRunner, ScreenTextShowsTheMatrixThat0xFF14Selects)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();   // nothing writes the screen: the power-on pattern shows
    HeadlessRun run = RunHeadless(dir, "--frames 3 --screen-text");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 25u);
    // Matrix at 0x0400: 00 00 FF FF FF FF 00 00 ..., code 0 is '@' and 0xFF
    // (a reversed graphic) is not ASCII.
    for (const std::string& line : lines)
        EXPECT_EQ(line, "@@....@@@@....@@@@....@@@@....@@@@....@@");
}

TEST(HeadlessRunner, ScreenshotWritesTheWholeFrameBuffer)
{
    ScratchDirectory dir;
    dir.WriteTinyRoms();
    HeadlessRun run = RunHeadless(dir, "--frames 2 --screenshot frame.bmp");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<uint8_t> file = ReadBinaryFile(dir.path + "/frame.bmp");
    ASSERT_EQ(file.size(), 54u + 1024u + 456u * 312u);
    EXPECT_EQ(file[18] | (file[19] << 8), 456);
    EXPECT_EQ(file[22] | (file[23] << 8), 312);
    EXPECT_EQ(file[28], 8);
    EXPECT_EQ(file[54 + 4 * 0x71], 0xFC);

    run = RunHeadless(dir, "--frames 1 --screenshot no/such/dir/frame.bmp");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot write"), std::string::npos);
}

}  // namespace
