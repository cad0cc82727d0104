// Device set-up through the real start-up on the headless backend: every
// failing step shows its text, leaves the log ending where the step
// stopped, and releases whatever had been made.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "machine/settings.h"
#include "platform/headless/headless_control.h"
#include "platform/setup.h"
#include "support/test_support.h"

namespace {

struct SetupFailure {
    HeadlessCall call;
    int occurrence;
    int32_t result;
    uint32_t screenMode;
    const char* text;
    const char* lastLogLine;   // the log's last line after the failure
};

constexpr int32_t Negative = static_cast<int32_t>(0x80004005u);

const SetupFailure Failures[] = {
    {HeadlessCall::DirectDrawCreate, 1, Negative, 0, "Ravlin Error: DirectDrawCreate FAILED",
     "Info: Main window successfully opened."},
    {HeadlessCall::QueryInterface, 1, 1, 0, "Ravlin requires DirectX 3.0 or better!",
     "Info: DirectDraw DirectDrawCreate executed."},
    {HeadlessCall::DisplaySetCooperativeLevel, 1, 7, 0, "Ravlin Error: SetCooperativeLevel FAILED",
     "Info: DirectDraw QueryInterface executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 0, "Ravlin Error: SetDisplayMode 320x200x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 1, "Ravlin Error: SetDisplayMode 400x300x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 2, "Ravlin Error: SetDisplayMode 512x384x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 3, "Ravlin Error: SetDisplayMode 320x240x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 4, "Ravlin Error: SetDisplayMode 640x480x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 5, "Ravlin Error: SetDisplayMode 640x480x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    // Mode 5's second change (to 640 x 400) fails with the same text.
    {HeadlessCall::SetDisplayMode, 2, Negative, 5, "Ravlin Error: SetDisplayMode 640x480x8 FAILED",
     "Info: DirectDraw SetDisplayMode executed."},
    {HeadlessCall::SetDisplayMode, 1, Negative, 6, "Ravlin Error: SetDisplayMode 800x600x8 FAILED",
     "Info: DirectDraw SetCooperativeLevel executed."},
    {HeadlessCall::CreateSurface, 1, Negative, 0, "Ravlin Error: CreateSurface FAILED",
     "Info: DirectDraw SetDisplayMode executed."},
    {HeadlessCall::CreatePalette, 1, Negative, 0, "Ravlin Error: CreatePalette FAILED", "Info: Palette generated."},
    {HeadlessCall::SetPalette, 1, 3, 0, "Ravlin Error: SetPalette FAILED",
     "Info: DirectDraw CreatePalette executed."},
    {HeadlessCall::DirectInputCreate, 1, Negative, 0, "Ravlin Error: DirectInputCreate FAILED",
     "Info: DirectDraw SetPalette executed."},
    // A cleared mode logs its clearing before the keyboard set-up.
    {HeadlessCall::DirectInputCreate, 1, Negative, 4, "Ravlin Error: DirectInputCreate FAILED",
     "Info: 640x480 screen cleared."},
    {HeadlessCall::CreateDevice, 1, Negative, 0, "Ravlin Error: DirectInput->CreateDevice FAILED",
     "Info: DirectInput DirectInputCreate executed."},
    {HeadlessCall::SetDataFormat, 1, Negative, 0, "Ravlin Error: DirectInput->SetDataFormat FAILED",
     "Info: DirectInput CreateDevice executed."},
    {HeadlessCall::KeyboardSetCooperativeLevel, 1, Negative, 0,
     "Ravlin Error: DirectInput->SetCooperativeLevel FAILED", "Info: DirectInput SetDataFormat executed."},
    {HeadlessCall::Acquire, 1, Negative, 0, "Ravlin Error: DirectInput->Acquire FAILED",
     "Info: DirectInput SetCooperativeLevel executed."},
};

std::string LastLine(const std::string& log)
{
    if (log.empty())
        return "";
    size_t end = log.back() == '\n' ? log.size() - 1 : log.size();
    size_t start = log.rfind('\n', end - 1);
    return log.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

class SetupTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ResetMachineToPowerOn();
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    // Start-up from power-on; `prepare` runs after the reset, just before
    // the start-up (faults, surface pitch).
    bool Boot(const std::string& settings, int* exitCode, const std::function<void()>& prepare = {})
    {
        dir.WriteText("settings", settings);
        ResetMachineToPowerOn();
        if (prepare)
            prepare();
        int code = -1;
        bool ok = StartUp(1, &code);
        if (exitCode)
            *exitCode = code;
        return ok;
    }
    // The log as written so far (closing it first).
    std::string Log()
    {
        CloseLog();
        return dir.ReadText("Ravlin.log");
    }
};

TEST_F(SetupTest, EachFailingStepShowsItsTextLeavesTheLogAndReleasesEverything)
{
    for (const SetupFailure& f : Failures) {
        SCOPED_TRACE(f.text + std::string(" / mode ") + std::to_string(f.screenMode) + " / occurrence " +
                     std::to_string(f.occurrence));
        int exitCode = -1;
        EXPECT_FALSE(Boot("Log=1\nScreenMode=" + std::to_string(f.screenMode) + "\n", &exitCode,
                          [&] { HeadlessInjectFault(f.call, f.result, f.occurrence); }));
        EXPECT_EQ(exitCode, 1);
        ASSERT_EQ(HeadlessMessageBoxes().size(), 1u);
        EXPECT_EQ(HeadlessMessageBoxes()[0], f.text);
        std::string log = dir.ReadText("Ravlin.log");
        EXPECT_EQ(LastLine(log), f.lastLogLine);
        EXPECT_EQ(log.find("Error:"), std::string::npos) << "device failures are not logged as errors";
        // Everything made so far is released, the RAM block too, the window
        // is gone and the log closed and switched off.
        EXPECT_EQ(HeadlessLiveObjectCount(), 0);
        EXPECT_EQ(Ram64, nullptr);
        EXPECT_EQ(MainWindow, nullptr);
        EXPECT_EQ(g_pDD, nullptr);
        EXPECT_EQ(g_pDIKeyboard, nullptr);
        EXPECT_EQ(g_pDS, nullptr);
        EXPECT_EQ(Config.Log, 0u);
    }
}

TEST_F(SetupTest, AFailedWindowEndsStartUpWithoutAMessage)
{
    int exitCode = -1;
    EXPECT_FALSE(Boot("Log=1\n", &exitCode, [] { HeadlessInjectFault(HeadlessCall::CreateWindow, 1); }));
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(HeadlessMessageBoxes().empty());
    EXPECT_EQ(LastLine(Log()), "Info: Window class registered.");
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
}

TEST_F(SetupTest, SoundAndKeyboardResultsFailOnlyWhenNegative)
{
    // A positive result from an input or sound call is a success.
    int exitCode = -1;
    ASSERT_TRUE(Boot("Log=1\n", &exitCode, [] {
        HeadlessInjectFault(HeadlessCall::SetDataFormat, 1);
        HeadlessInjectFault(HeadlessCall::DirectSoundCreate, 1);
    }));
    EXPECT_TRUE(HeadlessMessageBoxes().empty());
}

TEST_F(SetupTest, ScreenModesSetTheirDisplayModesInOrder)
{
    struct Row {
        uint32_t screenMode;
        std::vector<std::pair<uint32_t, uint32_t>> modes;
    };
    const Row rows[] = {
        {0, {{320, 200}}}, {1, {{400, 300}}}, {2, {{512, 384}}}, {3, {{320, 240}}},
        {4, {{640, 480}}}, {5, {{640, 480}, {640, 400}}}, {6, {{800, 600}}},
    };
    // Past the last mode: the default mode's.
    Row outOfRange = rows[DefaultScreenMode];
    outOfRange.screenMode = 7;
    for (const Row& row : {rows[0], rows[1], rows[2], rows[3], rows[4], rows[5], rows[6], outOfRange}) {
        SCOPED_TRACE(row.screenMode);
        ASSERT_TRUE(Boot("Log=1\nScreenMode=" + std::to_string(row.screenMode) + "\n", nullptr));
        EXPECT_EQ(HeadlessModeHistory(), row.modes);
        uint32_t width = row.modes.empty() ? 0 : row.modes.back().first;
        uint32_t height = row.modes.empty() ? 0 : row.modes.back().second;
        EXPECT_EQ(DisplayWidth, width);
        EXPECT_EQ(DisplayHeight, height);
        std::string log = Log();
        size_t count = 0;
        for (size_t at = log.find("Info: DirectDraw SetDisplayMode executed.\n"); at != std::string::npos;
             at = log.find("Info: DirectDraw SetDisplayMode executed.\n", at + 1))
            count++;
        EXPECT_EQ(count, row.modes.size());
    }
}

TEST_F(SetupTest, ClearedModesZeroExactlyTheModeArea)
{
    // The surface's rows are longer than the mode (a pitch beyond the width);
    // only the mode's width of each row is cleared.
    struct Row {
        uint32_t screenMode;
        uint32_t width, height;
        const char* line;
    };
    const Row rows[] = {{2, 512, 384, "Info: 512x384 screen cleared.\n"},
                        {4, 640, 480, "Info: 640x480 screen cleared.\n"},
                        {6, 800, 600, "Info: 800x600 screen cleared.\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.screenMode);
        ASSERT_TRUE(Boot("Log=1\nScreenMode=" + std::to_string(row.screenMode) + "\n", nullptr,
                         [] { HeadlessSetPitchPadding(24); }));
        const HeadlessFrame& f = HeadlessLastPresented();
        ASSERT_EQ(f.height, row.height);
        EXPECT_EQ(f.pitch, static_cast<int32_t>(row.width) + 24);
        bool allZero = true, paddingKept = true;
        for (uint32_t y = 0; y < f.height; y++) {
            for (uint32_t x = 0; x < row.width; x++)
                allZero = allZero && f.At(x, y) == 0;
            paddingKept = paddingKept && f.At(row.width, y) != 0;
        }
        EXPECT_TRUE(allZero);
        EXPECT_TRUE(paddingKept);
        EXPECT_NE(Log().find(row.line), std::string::npos);
    }
    // A lock that fails still logs the clearing.
    ASSERT_TRUE(Boot("Log=1\nScreenMode=4\n", nullptr,
                     [] { HeadlessInjectFault(HeadlessCall::SurfaceLock, DDERR_SURFACELOST); }));
    EXPECT_EQ(HeadlessPresentedCount(), 0u);
    EXPECT_NE(Log().find("Info: 640x480 screen cleared.\n"), std::string::npos);
}

TEST_F(SetupTest, CooperativeLevelFollowsModeX)
{
    ASSERT_TRUE(Boot("ModeX=0\n", nullptr));
    EXPECT_EQ(HeadlessCooperativeLevel(), 0x11u);
    ASSERT_TRUE(Boot("ModeX=1\n", nullptr));
    EXPECT_EQ(HeadlessCooperativeLevel(), 0x51u);
}

TEST_F(SetupTest, SoundOffEndsTheDeviceLogAndReleaseSkipsSound)
{
    ASSERT_TRUE(Boot("Log=1\nSoundEmulation=0\n", nullptr));
    std::string log = Log();
    EXPECT_NE(log.find("Info: DirectInput Acquire executed.\nInfo: Sound disabled.\n"), std::string::npos);
    EXPECT_EQ(g_pDS, nullptr);
    EXPECT_EQ(g_pDSBuffer1, nullptr);
    EXPECT_GT(HeadlessLiveObjectCount(), 0);
    ReleaseAll();
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    ReleaseAll();   // a second call finds nothing left to release
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    EXPECT_EQ(Ram64, nullptr);
}

TEST_F(SetupTest, AnExistingPaletteIsKeptWithAWarning)
{
    // A palette left from before (the set-up never releases one it didn't
    // make) is used as it is.
    ASSERT_TRUE(Boot("Log=1\n", nullptr));
    Palette* kept = g_pDDPal;
    g_pDDPal = nullptr;       // keep it away from ReleaseAll
    ASSERT_TRUE(Boot("Log=1\n", nullptr, [&] { g_pDDPal = kept; }));
    EXPECT_EQ(g_pDDPal, kept);
    std::string log = Log();
    EXPECT_NE(log.find("Info: Palette generated.\nWarning: g_pDDPal did not contain NULL value.\n"
                       "Info: DirectDraw SetPalette executed.\n"),
              std::string::npos);
}

TEST_F(SetupTest, VerticalBlankWaitRetriesUntilItSucceeds)
{
    ASSERT_TRUE(Boot("", nullptr));
    HeadlessInjectFault(HeadlessCall::WaitForVerticalBlank, DDERR_GENERIC, 1, 3);
    uint64_t ticks = HeadlessTicks();
    WaitVerticalBlank();
    EXPECT_EQ(HeadlessTicks(), ticks + 1);
    EXPECT_EQ(HeadlessClockNow() % HeadlessRefreshPeriod, 0);
}

}  // namespace
