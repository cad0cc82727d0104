#include <gtest/gtest.h>

#include <filesystem>

#include "files/screenshot.h"
#include "files_fixture.h"
#include "input/keyboard.h"
#include "machine/startup.h"

namespace {

namespace fs = std::filesystem;

using ScreenshotTest = FilesTest;

uint8_t FramePixel(int line, int pixel) { return FrameBuffer[line * FrameWidth + pixel]; }

void FillFrameBuffer(uint8_t seed)
{
    for (int line = 0; line < FrameLines; line++)
        for (int pixel = 0; pixel < FrameWidth; pixel++)
            FrameBuffer[line * FrameWidth + pixel] = static_cast<uint8_t>(line * 3 + pixel * 5 + seed);
}

TEST_F(ScreenshotTest, HeaderColourTableAndBottomUpRows)
{
    FillFrameBuffer(0);
    ASSERT_TRUE(WriteScreenshotTo("shot.bmp"));
    std::vector<uint8_t> file = ReadBinaryFile(scratch.path + "/shot.bmp");
    ASSERT_EQ(file.size(), 65078u);
    const std::vector<uint8_t> start = {0x42, 0x4D, 0x36, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0x36, 0x04, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x40, 0x01,
                                        0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 30), start);
    // compression 0, image size 64000, then zeros up to the colour table
    const std::vector<uint8_t> rest = {0, 0, 0, 0, 0x00, 0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 30, file.begin() + 54), rest);

    auto entry = [&](int i) { return std::vector<uint8_t>(file.begin() + 54 + 4 * i, file.begin() + 58 + 4 * i); };
    EXPECT_EQ(entry(0x71), (std::vector<uint8_t>{0xFC, 0xFC, 0xFC, 0x00}));
    EXPECT_EQ(entry(0x00), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(entry(0x93), entry(0x13));
    // Blue first: luminance 7, colour 2 (red) is 252, 140, 140 as red, green, blue.
    EXPECT_EQ(entry(0x72), (std::vector<uint8_t>{0x8C, 0x8C, 0xFC, 0x00}));

    EXPECT_EQ(file[1078], FramePixel(255, 64));
    EXPECT_EQ(file.back(), FramePixel(56, 383));
    for (int k = 0; k < 200; k++)
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(file[1078 + k * 320 + x], FramePixel(255 - k, 64 + x)) << "row " << k << " pixel " << x;
}

TEST_F(ScreenshotTest, RequestWritesOutputBmpAndIsCleared)
{
    FillFrameBuffer(1);
    ScreenshotRequest = 1;
    WriteScreenshot();
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_EQ(ReadBinaryFile(scratch.path + "/output.bmp")[1078], FramePixel(255, 64));
    // A second request replaces the first picture.
    FillFrameBuffer(2);
    ScreenshotRequest = 1;
    WriteScreenshot();
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_EQ(ReadBinaryFile(scratch.path + "/output.bmp")[1078], FramePixel(255, 64));
    EXPECT_EQ(Listing(), std::vector<std::string>{"output.bmp"});
}

// A finished screenshot steps the shared key-repeat pacer for F9 once; with
// F9 up that moves the state 0 to 1 and 1 or 2 to 0.  A failed one doesn't.
TEST_F(ScreenshotTest, SuccessStepsTheKeyRepeatStateOnce)
{
    for (auto [before, after] : {std::pair{0, 1}, {1, 0}, {2, 0}}) {
        KeyRepeatState = static_cast<uint8_t>(before);
        ScreenshotRequest = 1;
        WriteScreenshot();
        EXPECT_EQ(KeyRepeatState, after) << "from " << before;
    }
    fs::remove(scratch.path + "/output.bmp");
    fs::create_directory(scratch.path + "/output.bmp");
    KeyRepeatState = 0;
    ScreenshotRequest = 1;
    WriteScreenshot();
    EXPECT_EQ(KeyRepeatState, 0);
}

TEST_F(ScreenshotTest, MainLoopServesTheRequest)
{
    ScreenshotRequest = 1;
    int exitCode = 0;
    for (int i = 0; i < 10 && ScreenshotRequest; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_EQ(fs::file_size(scratch.path + "/output.bmp"), 65078u);
}

// A failed write is retried once per emulated frame (17,784 cycles), not on
// every pass.
TEST_F(ScreenshotTest, FailedWriteIsRetriedOncePerFrame)
{
    fs::create_directory(scratch.path + "/output.bmp");   // the name is taken
    ScreenshotRequest = 1;
    LastCycle = 4;
    WriteScreenshot();
    EXPECT_EQ(ScreenshotRequest, 1);
    fs::remove(scratch.path + "/output.bmp");              // writable again
    uint32_t cycles = 0;
    while (cycles + LastCycle < 312 * 57) {
        WriteScreenshot();
        cycles += LastCycle;
        ASSERT_FALSE(fs::exists(scratch.path + "/output.bmp")) << "retried after " << cycles << " cycles";
    }
    WriteScreenshot();
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_TRUE(fs::exists(scratch.path + "/output.bmp"));
    EXPECT_EQ(ScreenshotFailures, 0);
}

TEST_F(ScreenshotTest, PersistentFailureIsGivenUp)
{
    fs::create_directory(scratch.path + "/output.bmp");
    ScreenshotRequest = 1;
    LastCycle = 312 * 57;   // every call completes a frame
    for (int attempt = 1; attempt < ScreenshotRetryFrames; attempt++) {
        WriteScreenshot();
        ASSERT_EQ(ScreenshotRequest, 1) << "attempt " << attempt;
    }
    testing::internal::CaptureStderr();
    WriteScreenshot();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("output.bmp"), std::string::npos);
    EXPECT_EQ(ScreenshotRequest, 0);
    EXPECT_TRUE(fs::is_directory(scratch.path + "/output.bmp"));
    EXPECT_EQ(Listing(), std::vector<std::string>{"output.bmp"});
    // A new request starts afresh and writes at once once it can.
    fs::remove(scratch.path + "/output.bmp");
    ScreenshotRequest = 1;
    LastCycle = 2;
    WriteScreenshot();
    EXPECT_EQ(ScreenshotRequest, 0);
}

}  // namespace
