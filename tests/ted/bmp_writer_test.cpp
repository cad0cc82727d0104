// The 8-bit BMP writer: header, colour table, bottom-up padded rows, and an
// honest result when the file cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "files/bmp_writer.h"
#include "support/test_support.h"
#include "ted/palette.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(BmpWriter, ScreenshotSizedImageMatchesTheFixedHeader)
{
    ScratchDirectory dir;
    std::vector<uint8_t> pixels(320 * 200);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = static_cast<uint8_t>(i / 320);   // row number
    ASSERT_TRUE(WriteBmp8("out.bmp", pixels.data(), 320, 200, MachinePalette));
    const std::vector<uint8_t> file = ReadBinaryFile(dir.path + "/out.bmp");
    ASSERT_EQ(file.size(), 65078u);
    const std::vector<uint8_t> header = {0x42, 0x4D, 0x36, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x36, 0x04, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x40, 0x01,
                                         0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    EXPECT_EQ(Le32(file, 30), 0u);       // no compression
    EXPECT_EQ(Le32(file, 34), 64000u);   // image size
    EXPECT_EQ(Le32(file, 46), 0u);
    // Colour table: blue, green, red, 0.
    EXPECT_EQ(Le32(file, 54 + 4 * 0x71), 0x00FCFCFCu);
    EXPECT_EQ(Le32(file, 54 + 4 * 0x00), 0u);
    EXPECT_EQ(Le32(file, 54 + 4 * 0x93), Le32(file, 54 + 4 * 0x13));
    EXPECT_EQ(file[54 + 4 * 0x32], MachinePalette[0x32][2]);
    EXPECT_EQ(file[54 + 4 * 0x32 + 2], MachinePalette[0x32][0]);
    // Bottom row first.
    EXPECT_EQ(file[1078], 199);
    EXPECT_EQ(file.back(), 0);
}

TEST(BmpWriter, RowsArePaddedAndStrideIsHonoured)
{
    ScratchDirectory dir;
    // A 3 x 2 picture cut out of a 5-wide buffer.
    const uint8_t buffer[] = {1, 2, 3, 9, 9, 4, 5, 6, 9, 9};
    ASSERT_TRUE(WriteBmp8("small.bmp", buffer, 3, 2, MachinePalette, 5));
    const std::vector<uint8_t> file = ReadBinaryFile(dir.path + "/small.bmp");
    ASSERT_EQ(file.size(), 1078u + 8u);
    EXPECT_EQ(Le32(file, 2), 1086u);
    EXPECT_EQ(Le32(file, 34), 8u);
    const std::vector<uint8_t> rows(file.begin() + 1078, file.end());
    EXPECT_EQ(rows, (std::vector<uint8_t>{4, 5, 6, 0, 1, 2, 3, 0}));
}

TEST(BmpWriter, ReportsFailure)
{
    ScratchDirectory dir;
    const uint8_t pixel = 0;
    EXPECT_FALSE(WriteBmp8("no/such/dir/x.bmp", &pixel, 1, 1, MachinePalette));
    std::error_code ec;
    if (!std::filesystem::exists("/dev/full", ec))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(WriteBmp8("/dev/full", &pixel, 1, 1, MachinePalette)) << "a short write is a failure";
}

}  // namespace
