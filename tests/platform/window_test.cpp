// The window procedure: hot keys as request flags, activation, the close
// key, and the fatal error path.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/headless/headless_control.h"
#include "platform/setup.h"
#include "support/test_support.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        dir.WriteTinyRoms();
        dir.WriteText("settings", "SoundEmulation=0\nLog=1\n");
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    // Hands every queued message to the window procedure, as the main loop's
    // pump would, without serving the requests.
    static void DispatchQueued()
    {
        Message message;
        while (HeadlessQueuedMessages() > 0 && PeekMessage(&message)) {
            if (!GetMessage(&message))
                return;
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
    }

    static void Keys(const std::vector<std::pair<uint32_t, bool>>& keys)
    {
        for (const auto& [key, down] : keys)
            HeadlessPostKeyMessage(key, down);
        DispatchQueued();
    }
};

struct HotKeyCase {
    const char* name;
    std::vector<std::pair<uint32_t, bool>> keys;
    uint16_t* flag;
};

TEST_F(WindowTest, HotKeysRaiseTheirRequests)
{
    const HotKeyCase cases[] = {
        {"F6", {{VK_F6, true}}, &ScreenshotRequest},
        {"Shift+F6", {{VK_SHIFT, true}, {VK_F6, true}}, &ScreenshotRequest},
        {"F7", {{VK_F7, true}}, &OptionsMenuRequest},
        {"Shift+F7", {{VK_SHIFT, true}, {VK_F7, true}}, &OptionsMenuRequest},
        {"F8", {{VK_F8, true}}, &LoadMenuRequest},
        {"Shift+F8", {{VK_SHIFT, true}, {VK_F8, true}}, &SaveMenuRequest},
        // Shift pressed, F8 pressed, Shift released: still the save menu.
        {"Shift, F8, Shift up", {{VK_SHIFT, true}, {VK_F8, true}, {VK_SHIFT, false}}, &SaveMenuRequest},
        {"F9", {{VK_F9, true}}, &DebuggerRequest},
        {"Shift+F9", {{VK_SHIFT, true}, {VK_F9, true}}, &StatusLineOn},
        {"F11", {{VK_F11, true}}, &SoftResetRequest},
        {"Shift+F11", {{VK_SHIFT, true}, {VK_F11, true}}, &HardResetRequest},
        {"Shift up before F11", {{VK_SHIFT, true}, {VK_SHIFT, false}, {VK_F11, true}}, &SoftResetRequest},
    };
    uint16_t* all[] = {&ScreenshotRequest, &OptionsMenuRequest, &LoadMenuRequest, &SaveMenuRequest,
                       &DebuggerRequest,   &StatusLineOn,       &SoftResetRequest, &HardResetRequest};
    for (const HotKeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint16_t* flag : all)
            *flag = 0;
        ShiftHeld = 0;
        Keys(c.keys);
        for (uint16_t* flag : all)
            EXPECT_EQ(*flag, flag == c.flag ? 1 : 0);
    }
}

TEST_F(WindowTest, OtherKeysAndKeyUpsRaiseNothing)
{
    Keys({{VK_F10, true}, {0x41, true}, {VK_F6, false}, {VK_F12, false}, {0x70, true}});
    EXPECT_EQ(ScreenshotRequest + OptionsMenuRequest + LoadMenuRequest + SaveMenuRequest + DebuggerRequest +
                  StatusLineOn + SoftResetRequest + HardResetRequest + ShiftHeld,
              0);
    EXPECT_NE(MainWindow, nullptr);
}

TEST_F(WindowTest, WhileTheLoadMenuIsRequestedHotKeysAreIgnored)
{
    Keys({{VK_F8, true}, {VK_F9, true}, {VK_F7, true}, {VK_F12, true}});
    EXPECT_EQ(LoadMenuRequest, 1);
    EXPECT_EQ(DebuggerRequest, 0);
    EXPECT_EQ(OptionsMenuRequest, 0);
    EXPECT_NE(MainWindow, nullptr) << "F12 ignored too";

    // A Shift key-down clears ShiftHeld instead of setting it.
    ShiftHeld = 1;
    Keys({{VK_SHIFT, true}});
    EXPECT_EQ(ShiftHeld, 0);
    Keys({{VK_SHIFT, true}, {VK_F8, true}});
    EXPECT_EQ(SaveMenuRequest, 0);
    ShiftHeld = 1;
    Keys({{VK_SHIFT, false}});
    EXPECT_EQ(ShiftHeld, 0);
}

TEST_F(WindowTest, ShiftF9TwiceShowsThenHidesTheStatusLine)
{
    Keys({{VK_SHIFT, true}, {VK_F9, true}});
    EXPECT_EQ(StatusLineOn, 1);
    Keys({{VK_F9, true}});   // Shift still held, a repeat of the key
    EXPECT_EQ(StatusLineOn, 0);
    Keys({{VK_F9, false}, {VK_SHIFT, false}, {VK_F9, true}});
    EXPECT_EQ(StatusLineOn, 0);
    EXPECT_EQ(DebuggerRequest, 1);
}

TEST_F(WindowTest, PointerHiddenAndActivationFollowsTheParameter)
{
    EXPECT_EQ(AppActive, 1u) << "showing the window activates the application";
    EXPECT_EQ(WindowProc(MainWindow, WM_SETCURSOR, 0, 0), 1);
    for (auto [parameter, active] : {std::pair{0u, 0u}, {1u, 1u}, {0u, 0u}, {2u, 1u}, {3u, 0u}}) {
        WindowProc(MainWindow, WM_ACTIVATEAPP, parameter, 0);
        EXPECT_EQ(AppActive, active) << parameter;
    }
}

TEST_F(WindowTest, DeactivationPausesTheMachineAndReactivationContinues)
{
    int exitCode = 0;
    for (int i = 0; i < 300; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    int32_t running = Ted.Timer1Counter;
    EXPECT_NE(running, 0xFFFF) << "the machine runs while active";

    PostMessage(MainWindow, WM_ACTIVATEAPP, 0, 0);
    int passes = 0;
    while (AppActive == 1 && passes++ < 300)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    ASSERT_EQ(AppActive, 0u);
    int32_t paused = Ted.Timer1Counter;
    for (int i = 0; i < 2000; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_EQ(Ted.Timer1Counter, paused);

    PostMessage(MainWindow, WM_ACTIVATEAPP, 1, 0);
    passes = 0;
    while (AppActive == 0 && passes++ < 300)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    ASSERT_EQ(AppActive, 1u);
    for (int i = 0; i < 100; i++)
        ASSERT_TRUE(MainLoopPass(&exitCode));
    EXPECT_NE(Ted.Timer1Counter, paused);
}

TEST_F(WindowTest, F12EndsTheProgramAfterRestoringThePriority)
{
    ResetMachineToPowerOn();
    dir.WriteText("settings", "SoundEmulation=1\nPriority=1\n");
    ASSERT_TRUE(BootMachine());
    EXPECT_EQ(HeadlessPriorityClass(), HIGH_PRIORITY_CLASS);
    HeadlessPostKeyMessage(VK_F12, true);
    int exitCode = -1;
    int passes = 0;
    while (MainLoopPass(&exitCode))
        ASSERT_LT(passes++, 1000);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(HeadlessPriorityClass(), NORMAL_PRIORITY_CLASS);
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    EXPECT_EQ(Ram64, nullptr);
    EXPECT_EQ(MainWindow, nullptr);
}

TEST_F(WindowTest, AMessageAfterTheCloseReachesNoMachine)
{
    // A close request with more keys queued behind it: the machine must not
    // run on the released RAM while the loop drains the queue.
    PostMessage(MainWindow, WM_CLOSE, 0, 0);
    HeadlessPostKeyMessage(VK_F11, true);
    HeadlessPostKeyMessage(VK_F6, true);
    int exitCode = -1;
    int passes = 0;
    while (MainLoopPass(&exitCode))
        ASSERT_LT(passes++, 1000);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(SoftResetRequest, 0);
}

TEST_F(WindowTest, ReportErrorReleasesShowsDestroysAndClosesTheLog)
{
    ASSERT_NE(MainWindow, nullptr);
    int32_t code = ReportError(MainWindow, -5, "Ravlin Error: %s %d", "test", 42);
    EXPECT_EQ(code, -5);
    ASSERT_EQ(HeadlessMessageBoxes().size(), 1u);
    EXPECT_EQ(HeadlessMessageBoxes()[0], "Ravlin Error: test 42");
    EXPECT_EQ(HeadlessLiveObjectCount(), 0);
    EXPECT_EQ(MainWindow, nullptr);
    EXPECT_EQ(Config.Log, 0u);
    EXPECT_EQ(LogFile, nullptr);
    // The destroyed window posted the quit message.
    Message message;
    EXPECT_FALSE(GetMessage(&message));
    EXPECT_EQ(message.message, WM_QUIT);

    // A long text is cut to the 511 characters that fit.
    ResetMachineToPowerOn();
    ReportError(nullptr, 0, "%s", std::string(600, 'x').c_str());
    ASSERT_EQ(HeadlessMessageBoxes().size(), 1u);
    EXPECT_EQ(HeadlessMessageBoxes()[0].size(), 511u);
}

TEST_F(WindowTest, TheWindowLogsItsCreation)
{
    CloseLog();
    std::string log = dir.ReadText("Ravlin.log");
    EXPECT_NE(log.find("Info: CPU initialized.\nInfo: Window class registered.\n"
                       "Info: Main window successfully opened.\nInfo: DirectDraw DirectDrawCreate executed.\n"),
              std::string::npos);
}

}  // namespace

namespace {

TEST(StartUpPumpTest, AWindowClosedDuringTheDebuggerPrePumpEndsTheProgram)
{
    // With the Debugger setting the start-up hands up to 32 messages to the
    // window procedure; a close request among them, even the last, ends the
    // program before the machine runs on released memory.
    for (int position : {0, 31}) {
        SCOPED_TRACE(position);
        ScratchDirectory dir;
        dir.WriteTinyRoms();
        dir.WriteText("settings", "Debugger=1\nSoundEmulation=0\n");
        ResetMachineToPowerOn();
        HeadlessAtTick(0, [position] {
            for (int i = 0; i < position; i++)
                PostMessage(MainWindow, WM_KEYUP, VK_F10, 0);
            PostMessage(MainWindow, WM_CLOSE, 0, 0);
        });
        int exitCode = -1;
        EXPECT_FALSE(StartUp(1, &exitCode));
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(Ram64, nullptr);
        EXPECT_EQ(HeadlessLiveObjectCount(), 0);
        ResetMachineToPowerOn();
    }
}

}  // namespace
