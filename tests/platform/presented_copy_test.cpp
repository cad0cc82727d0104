// The headless backend keeps the last presented picture without copying it
// every frame: the copy is taken when a test looks, or before the surface
// can change without being presented, or goes.
#include <gtest/gtest.h>

#include <cstring>

#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "platform/setup.h"
#include "ted/present.h"
#include "support/test_support.h"

namespace {

class PresentedCopyTest : public ::testing::Test {
protected:
    ScratchDirectory dir;
    void SetUp() override
    {
        dir.WriteTinyRoms();
        ResetMachineToPowerOn();
        dir.WriteText("settings", "ScreenMode=0\nSync=0\nSoundEmulation=0\n");
        int exitCode = 0;
        ASSERT_TRUE(StartUp(1, &exitCode));
        ASSERT_NE(g_pDDSPrimary, nullptr);
    }
    void TearDown() override
    {
        HeadlessClearFaults();
        ResetMachineToPowerOn();
    }

    static void Present(uint8_t colour)
    {
        std::memset(FrameBuffer, colour, sizeof FrameBuffer);
        CopyFrameToScreen();
    }
};

TEST_F(PresentedCopyTest, AFailedUnlockLeavesTheLastPresentedPicture)
{
    Present(0x11);   // not looked at: no copy taken yet
    const uint64_t presented = HeadlessPresentedCount();
    HeadlessInjectFault(HeadlessCall::SurfaceUnlock, DDERR_GENERIC);
    Present(0x22);   // drawn into the surface, never presented
    EXPECT_EQ(HeadlessPresentedCount(), presented);
    EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x11);
    Present(0x33);
    EXPECT_EQ(HeadlessLastPresented().At(0, 0), 0x33);
    EXPECT_EQ(HeadlessLastPresented().At(319, 199), 0x33);
}

TEST_F(PresentedCopyTest, TheLastPictureOutlivesItsSurfaceAndCallbacksSeeEachOne)
{
    int seen = 0;
    uint8_t first = 0;
    HeadlessOnPresent([&](const HeadlessFrame& frame) {
        seen++;
        first = frame.At(0, 0);
    });
    Present(0x44);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(first, 0x44);
    HeadlessOnPresent(nullptr);

    Present(0x55);
    Surface* surface = g_pDDSPrimary;
    g_pDDSPrimary = nullptr;
    SurfaceRelease(surface);
    EXPECT_EQ(HeadlessLastPresented().At(10, 10), 0x55);
}

}  // namespace
