// The deck on its own: levels played while a key is down and the motor
// runs, the counter, winding, recording over part of a tape, the sense
// line between two keys, write protection and an absent datassette.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "files/safe_save.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "support/test_support.h"
#include "tape/datassette.h"
#include "tape/tap_image.h"

namespace {

class DatassetteTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override { ResetMachineToPowerOn(); }
    void TearDown() override { ResetMachineToPowerOn(); }

    // A tape of these half waves (cycles; multiples of 8 below 2040).
    void Insert(const std::vector<uint32_t>& waves, TapVideo video = TapVideo::Pal)
    {
        TapImage image;
        image.waves = waves;
        image.video = video;
        ASSERT_TRUE(WriteTapFile("t.tap", image));
        std::string message;
        ASSERT_TRUE(TapeAttach("t.tap", &message)) << message;
    }
    static void Motor(bool on, bool writeHigh = false) { TapeLinesChanged(on, writeHigh); }
    static void Run(uint32_t cycles) { TapeStep(cycles); }
};

TEST_F(DatassetteTest, PlaysHalfWavesWhileAKeyIsDownAndTheMotorRuns)
{
    Insert({96, 200, 304});
    ASSERT_TRUE(TapePressKey(DeckKey::Play));
    EXPECT_TRUE(TapeSenseKeyDown());
    EXPECT_FALSE(TapeMoving) << "the motor is off";
    Run(1000);
    Motor(true);
    ASSERT_TRUE(TapeMoving);
    const struct {
        uint32_t cycles;
        bool high;
    } steps[] = {{50, false}, {50, true}, {200, false}, {100, false}};
    for (const auto& s : steps) {
        Run(s.cycles);
        EXPECT_EQ(TapeReadLineHigh(), s.high) << TapeSeconds();
    }
    Run(200);   // past the end (600): the key comes up and the tape stops
    EXPECT_EQ(TapeKeyDown(), DeckKey::Stop);
    EXPECT_FALSE(TapeMoving);
    EXPECT_FALSE(TapeSenseKeyDown());
}

TEST_F(DatassetteTest, NtscTapesRunOnTheirOwnClock)
{
    Insert({2000, 2000}, TapVideo::Ntsc);
    TapePressKey(DeckKey::Play);
    Motor(true);
    Run(886724 / 1000);   // a millisecond of the machine: 895 cycles of the tape's
    EXPECT_NEAR(TapeSeconds(), 0.001, 0.000002);
}

TEST_F(DatassetteTest, CounterFollowsTheTapeAndRewindGoesBackToTheStart)
{
    Insert(std::vector<uint32_t>(100000, 2000));   // about 225 seconds
    TapePressKey(DeckKey::Play);
    Motor(true);
    EXPECT_EQ(TapeCounter(), 0u);
    for (int i = 0; i < 60; i++)
        Run(886724);
    const unsigned afterMinute = TapeCounter();
    // The take-up spool's turns: 40 after a minute (a 30-minute side ends
    // near 760).
    EXPECT_EQ(afterMinute, 40u);
    Motor(false);
    Run(886724);
    EXPECT_EQ(TapeCounter(), afterMinute) << "no motor, no movement";
    Motor(true);
    TapePressKey(DeckKey::FastForward);
    Run(886724);   // one second at twenty times
    EXPECT_NEAR(TapeSeconds(), 80.0, 0.01);
    TapePressKey(DeckKey::Rewind);
    Run(886724 * 3);
    EXPECT_NEAR(TapeSeconds(), 20.0, 0.01);
    Run(886724 * 2);
    EXPECT_EQ(TapeSeconds(), 0.0);
    EXPECT_EQ(TapeCounter(), 0u);
    EXPECT_EQ(TapeKeyDown(), DeckKey::Stop);
}

TEST_F(DatassetteTest, SenseShowsNoKeyWhileTheHandMovesBetweenKeys)
{
    Insert({1000});
    TapePressKey(DeckKey::Play);
    EXPECT_TRUE(TapeSenseKeyDown());
    TapePressKey(DeckKey::Rewind);
    EXPECT_FALSE(TapeSenseKeyDown());
    Ted.FramesCompleted += 3;
    EXPECT_TRUE(TapeSenseKeyDown());
    // STOP and another key at once: the release is seen all the same.
    TapePressKey(DeckKey::Stop);
    TapePressKey(DeckKey::Play);
    EXPECT_FALSE(TapeSenseKeyDown());
    Ted.FramesCompleted += 3;
    EXPECT_TRUE(TapeSenseKeyDown());
}

TEST_F(DatassetteTest, RecordingReplacesOnlyTheStretchItCovers)
{
    Insert(std::vector<uint32_t>(10, 1000));
    TapePressKey(DeckKey::Play);
    Motor(true);
    Run(2500);   // halfway into the third wave
    TapePressKey(DeckKey::Record);
    Motor(true, false);
    Run(300);
    Motor(true, true);
    Run(300);
    Motor(true, false);
    Run(200);
    Motor(false);   // the recording ends and is written
    TapImage image;
    std::string problem;
    ASSERT_TRUE(ReadTapFile("t.tap", &image, &problem)) << problem;
    // 2500 played, 800 recorded (300, 300, 200), then the rest from 3300.
    // (Lengths in whole units of 8 cycles.)
    EXPECT_EQ(image.waves,
              (std::vector<uint32_t>{1000, 1000, 504, 304, 304, 200, 704, 1000, 1000, 1000, 1000, 1000, 1000}));
    EXPECT_EQ(image.version, 2);
}

TEST_F(DatassetteTest, MissingFileIsANewTapeMadeByTheFirstRecording)
{
    std::string message;
    ASSERT_TRUE(TapeAttach("new.tap", &message)) << message;
    EXPECT_FALSE(dir.Exists("new.tap"));
    TapePressKey(DeckKey::Record);
    Motor(true, false);
    Run(208);
    Motor(true, true);
    Run(208);
    TapePressKey(DeckKey::Stop);
    TapImage image;
    ASSERT_TRUE(ReadTapFile("new.tap", &image, &message)) << message;
    EXPECT_EQ(image.waves, (std::vector<uint32_t>{208, 208}));
}

TEST_F(DatassetteTest, FailedSaveKeepsTheOldImageAndTheRecording)
{
    Insert({1000, 1000});
    const std::vector<uint8_t> before = ReadBinaryFile("t.tap");
    TapePressKey(DeckKey::Record);
    Motor(true, false);
    Run(500);
    Motor(true, true);
    Run(500);
    InjectSaveWriteFailure(10);
    Motor(false);
    EXPECT_EQ(ReadBinaryFile("t.tap"), before);
    EXPECT_NE(TakeTapeMessage().find("can't write the tape image"), std::string::npos);
    EXPECT_EQ(TakeTapeMessage(), "") << "said once";
    InjectSaveWriteFailure(-1);
    ASSERT_TRUE(TapeFlush());
    TapImage image;
    std::string problem;
    ASSERT_TRUE(ReadTapFile("t.tap", &image, &problem)) << problem;
    EXPECT_EQ(image.waves, (std::vector<uint32_t>{504, 504, 1000}));
}

TEST_F(DatassetteTest, WriteProtectedTapeRefusesRecord)
{
    Insert({1000});
    TapeDetach();
    chmod("t.tap", 0444);
    std::string message;
    ASSERT_TRUE(TapeAttach("t.tap", &message));
    EXPECT_TRUE(TapeWriteProtected());
    EXPECT_FALSE(TapePressKey(DeckKey::Record));
    EXPECT_TRUE(TapePressKey(DeckKey::Play));
}

TEST_F(DatassetteTest, AbsentDatassetteRefusesTapesAndSaysWhy)
{
    SetDatassettePresent(false);
    std::string message;
    EXPECT_FALSE(TapeAttach("t.tap", &message));
    EXPECT_EQ(message, "the open ROM has no tape support");
    SetDatassettePresent(true);
    Config.Accuracy = 0;
    EXPECT_FALSE(TapeAttach("t.tap", &message));
    EXPECT_EQ(message, "the older model (Accuracy=0) has no tape support");
}

}  // namespace
