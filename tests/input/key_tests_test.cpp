// The key tests of menus and debugger: device loss, waiting for a release,
// and the auto-repeat pacer, timed in vertical blanks (headless ticks).
#include <gtest/gtest.h>

#include <vector>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "platform/setup.h"
#include "support/test_support.h"
#include "ted/memory_map.h"

namespace {

class KeyTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ASSERT_TRUE(BootMachine());
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    // One pass of a menu loop as menus write it; returns whether it acted.
    static bool MenuPass(uint8_t key)
    {
        if (KeyPressed(key) != 1)
            return false;
        KeyRepeat(key);
        return KeyPressed(key) == 1;
    }

    // The ticks at which a menu loop acts on key, until `count` actions.
    static std::vector<uint64_t> ActionTicks(uint8_t key, size_t count)
    {
        std::vector<uint64_t> ticks;
        for (int guard = 0; ticks.size() < count && guard < 10000; guard++)
            if (MenuPass(key))
                ticks.push_back(HeadlessTicks());
        return ticks;
    }

    ScratchDirectory dir;
};

TEST_F(KeyTests, LostInputIsAcquiredOnceAndReadAgainOnlyNextTime)
{
    PollKeyboard();
    int acquired = HeadlessAcquireCount();
    HeadlessSetKey(DIK_A, true);
    HeadlessLoseInput();
    PollKeyboard();
    EXPECT_EQ(KeyState[DIK_A], 0) << "the failed read leaves the old state";
    EXPECT_EQ(HeadlessAcquireCount(), acquired + 1);
    PollKeyboard();
    EXPECT_NE(KeyState[DIK_A], 0);
    EXPECT_EQ(HeadlessAcquireCount(), acquired + 1);

    // Other read failures are ignored: no acquire, state kept.
    HeadlessSetKey(DIK_A, false);
    HeadlessInjectFault(HeadlessCall::GetDeviceState, DIERR_NOTACQUIRED);
    PollKeyboard();
    EXPECT_NE(KeyState[DIK_A], 0);
    EXPECT_EQ(HeadlessAcquireCount(), acquired + 1);
}

TEST_F(KeyTests, KeyPressedAnswersLostWhenTheDeviceCannotBeAcquired)
{
    HeadlessSetKey(DIK_A, true);
    EXPECT_EQ(KeyPressed(DIK_A), 1);
    HeadlessLoseInput();
    HeadlessInjectFault(HeadlessCall::Acquire, DIERR_INPUTLOST);
    EXPECT_EQ(KeyPressed(DIK_A), KeyDeviceLost);
    // The next test acquires successfully and answers from the old state;
    // the one after reads the keyboard again.
    HeadlessSetKey(DIK_A, false);
    EXPECT_EQ(KeyPressed(DIK_A), 1);
    EXPECT_EQ(KeyPressed(DIK_A), 0);
    // The keyboard latch keeps working through a loss, from the old state.
    HeadlessSetKey(DIK_A, true);
    PollKeyboard();
    HeadlessLoseInput();
    HeadlessSetKey(DIK_A, false);
    WriteByte(0xFD30, 0xFD);
    WriteByte(0xFF08, 0xFF);
    EXPECT_EQ(ReadByte(0xFF08), 0xFB);
}

TEST_F(KeyTests, WaitKeyReleaseEndsOnReleaseOrLoss)
{
    HeadlessSetKey(DIK_RETURN, true);
    uint64_t start = HeadlessTicks();
    HeadlessAtTick(start + 7, [] { HeadlessSetKey(DIK_RETURN, false); });
    WaitKeyRelease(DIK_RETURN);
    EXPECT_EQ(HeadlessTicks(), start + 7);

    HeadlessSetKey(DIK_RETURN, true);
    HeadlessAtTick(start + 12, [] {
        HeadlessLoseInput();
        HeadlessInjectFault(HeadlessCall::Acquire, DIERR_INPUTLOST);
    });
    WaitKeyRelease(DIK_RETURN);
    EXPECT_EQ(HeadlessTicks(), start + 12);
    EXPECT_EQ(KeyState[DIK_RETURN], 0x80) << "still held; the loss ended the wait";
}

TEST_F(KeyTests, AHeldKeyActsAtOnceThenAfter30BlanksThenEvery4)
{
    HeadlessSetKey(DIK_DOWN, true);
    uint64_t t = HeadlessTicks();
    EXPECT_EQ(ActionTicks(DIK_DOWN, 5), (std::vector<uint64_t>{t, t + 30, t + 34, t + 38, t + 42}));
    EXPECT_EQ(KeyRepeatState, 2);
}

TEST_F(KeyTests, ReleasingDuringTheFirstDelayStartsOver)
{
    HeadlessSetKey(DIK_UP, true);
    uint64_t t = HeadlessTicks();
    HeadlessAtTick(t + 10, [] { HeadlessSetKey(DIK_UP, false); });
    HeadlessAtTick(t + 15, [] { HeadlessSetKey(DIK_UP, true); });
    ASSERT_TRUE(MenuPass(DIK_UP));      // at once, state 1
    EXPECT_FALSE(MenuPass(DIK_UP));     // released at t + 10 while waiting
    EXPECT_EQ(KeyRepeatState, 0);
    EXPECT_EQ(HeadlessTicks(), t + 10);
    while (KeyPressed(DIK_UP) != 1)
        WaitVerticalBlank();
    EXPECT_EQ(ActionTicks(DIK_UP, 2), (std::vector<uint64_t>{t + 15, t + 45}));
}

TEST_F(KeyTests, TheRepeatStateIsSharedByAllKeys)
{
    HeadlessSetKey(DIK_DOWN, true);
    ActionTicks(DIK_DOWN, 3);
    ASSERT_EQ(KeyRepeatState, 2);
    // Releasing leaves the state; the next key starts out repeating.
    HeadlessSetKey(DIK_DOWN, false);
    EXPECT_EQ(KeyPressed(DIK_DOWN), 0);
    EXPECT_EQ(KeyRepeatState, 2);
    HeadlessSetKey(DIK_RIGHT, true);
    uint64_t t = HeadlessTicks();
    EXPECT_EQ(ActionTicks(DIK_RIGHT, 2), (std::vector<uint64_t>{t + 4, t + 8}));
}

TEST_F(KeyTests, ALostDeviceCountsAsHeldAtTheEndOfTheFirstDelay)
{
    HeadlessSetKey(DIK_A, true);
    KeyRepeat(DIK_A);
    ASSERT_EQ(KeyRepeatState, 1);
    uint64_t t = HeadlessTicks();
    HeadlessAtTick(t + 3, [] {
        HeadlessLoseInput();
        HeadlessInjectFault(HeadlessCall::Acquire, DIERR_INPUTLOST, 1, 2);
    });
    KeyRepeat(DIK_A);
    EXPECT_EQ(HeadlessTicks(), t + 3);
    EXPECT_EQ(KeyRepeatState, 2);
}

}  // namespace
