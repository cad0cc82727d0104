// TAP images read and written: the three versions, the overflow code, PAL
// and NTSC clocks, and every kind of bad file refused with what it is.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tape/tap_image.h"

namespace {

std::vector<uint8_t> Tap(uint8_t version, const std::vector<uint8_t>& pulses, uint8_t video = 0,
                         const char* signature = "C16-TAPE-RAW", int64_t claimed = -1)
{
    std::vector<uint8_t> file(signature, signature + 12);
    file.insert(file.end(), {version, 2, video, 0});
    const uint32_t length = claimed >= 0 ? static_cast<uint32_t>(claimed) : static_cast<uint32_t>(pulses.size());
    for (int k = 0; k < 4; k++)
        file.push_back(static_cast<uint8_t>(length >> (8 * k)));
    file.insert(file.end(), pulses.begin(), pulses.end());
    return file;
}

TEST(TapImage, DecodesEachVersion)
{
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<uint32_t> waves;
        bool fullWaves;
        TapVideo video;
    } cases[] = {
        {"version 0: a zero is the long gap", Tap(0, {0x35, 0x00, 0x6A}), {424, TapVersion0Gap, 848}, true, TapVideo::Pal},
        {"version 1: a zero and 24 bits of cycles", Tap(1, {0x35, 0x00, 0x10, 0x27, 0x00, 0xD4}), {424, 10000, 1696},
         true, TapVideo::Pal},
        {"version 2: half waves, NTSC", Tap(2, {0x1A, 0x1A, 0x00, 0xFF, 0xFF, 0xFF}, 1), {208, 208, 0xFFFFFF}, false,
         TapVideo::Ntsc},
        {"a shorter length field leaves the rest", Tap(2, {0x1A, 0x35, 0x6A}, 0, "C16-TAPE-RAW", 2), {208, 424}, false,
         TapVideo::Pal},
        {"a blank tape", Tap(2, {}), {}, false, TapVideo::Pal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TapImage image;
        std::string problem;
        ASSERT_TRUE(ParseTapImage(c.file.data(), c.file.size(), &image, &problem)) << problem;
        EXPECT_EQ(image.waves, c.waves);
        EXPECT_EQ(image.fullWaves, c.fullWaves);
        EXPECT_EQ(image.video, c.video);
    }
}

TEST(TapImage, RefusesBadFilesSayingWhatTheyAre)
{
    std::vector<uint8_t> sample(4000, 0x80);   // raw 8-bit sound
    std::vector<uint8_t> endless = Tap(2, {});
    endless.resize(TapHeaderSize);
    for (int i = 0; i < 500; i++)   // 500 gaps of 19 s: far past two hours
        endless.insert(endless.end(), {0, 0xFF, 0xFF, 0xFF});
    const uint32_t endlessLength = static_cast<uint32_t>(endless.size() - TapHeaderSize);
    for (int k = 0; k < 4; k++)
        endless[16 + k] = static_cast<uint8_t>(endlessLength >> (8 * k));
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        const char* says;
    } cases[] = {
        {"empty", {}, "the tape image is empty"},
        {"a C64 tape", Tap(1, {0x30}, 0, "C64-TAPE-RAW"), "a C64 tape image"},
        {"a raw sample", sample, "not a C16 tape image"},
        {"cut in the header", {'C', '1', '6', '-', 'T', 'A', 'P', 'E', '-', 'R', 'A', 'W', 1, 2}, "inside its 20-byte header"},
        {"version 3", Tap(3, {0x30}), "version 3 is unknown"},
        {"an unknown video standard", Tap(2, {0x30}, 7), "unknown video standard"},
        {"fewer pulses than the header says", Tap(2, {0x30, 0x30}, 0, "C16-TAPE-RAW", 3), "truncated"},
        {"a huge length field", Tap(2, {0x30}, 0, "C16-TAPE-RAW", 0x7FFFFFFF), "more than a cassette holds"},
        {"cut inside a long pulse", Tap(2, {0x30, 0x00, 0x10}), "truncated inside a long pulse at byte 21"},
        {"a long pulse of no length", Tap(1, {0x00, 0x00, 0x00, 0x00}), "a pulse of no length at byte 20"},
        {"long pulses past two hours", endless, "more than two hours"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TapImage image;
        image.waves = {1, 2, 3};
        std::string problem;
        EXPECT_FALSE(ParseTapImage(c.file.data(), c.file.size(), &image, &problem));
        EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
        EXPECT_EQ(image.waves.size(), 3u) << "the image is left as it was";
    }
}

TEST(TapImage, WritesVersion2AndReadsItBack)
{
    TapImage full;
    full.fullWaves = true;
    full.version = 1;
    full.waves = {424, 1697, 3000000, 30000000};
    MakeHalfWaves(&full);
    EXPECT_EQ(full.waves, (std::vector<uint32_t>{212, 212, 848, 849, 1500000, 1500000, 15000000, 15000000}));
    const std::vector<uint8_t> bytes = EncodeTapImage(full);
    TapImage back;
    std::string problem;
    ASSERT_TRUE(ParseTapImage(bytes.data(), bytes.size(), &back, &problem)) << problem;
    EXPECT_EQ(bytes[12], 2);
    EXPECT_EQ(bytes[13], 2);
    // Short waves to the nearest unit of 8 cycles; long ones exact.
    EXPECT_EQ(back.waves, (std::vector<uint32_t>{216, 216, 848, 848, 1500000, 1500000, 15000000, 15000000}));

    ScratchDirectory dir;
    ASSERT_TRUE(WriteTapFile("out.tap", back));
    TapImage read;
    ASSERT_TRUE(ReadTapFile("out.tap", &read, &problem)) << problem;
    EXPECT_EQ(read.waves, back.waves);
    EXPECT_FALSE(ReadTapFile("missing.tap", &read, &problem));
    EXPECT_NE(problem.find("can't read"), std::string::npos);
}

}  // namespace
