// Sound set-up: the three buffers, their contents, and every log line,
// warning and failure of the set-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/log.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "machine/settings.h"
#include "platform/headless/headless_control.h"
#include "ted/memory_map.h"
#include "support/test_support.h"

namespace {

class SoundSetup : public ::testing::Test {
protected:
    void SetUp() override { dir.WriteTinyRoms(); }
    void TearDown() override { ResetMachineToPowerOn(); }

    // Boots with the log on; the log is closed before it is read.
    bool Boot(const std::string& settings = "")
    {
        dir.WriteText("settings", "Log=1\n" + settings);
        ResetMachineToPowerOn();
        int code = 0;
        bool ok = StartUp(1, &code);
        CloseLog();
        log = dir.ReadText("Ravlin.log");
        return ok;
    }
    bool BootWithFault(HeadlessCall call, int32_t result, int occurrence = 1)
    {
        dir.WriteText("settings", "Log=1\n");
        ResetMachineToPowerOn();
        HeadlessInjectFault(call, result, occurrence);
        int code = 0;
        bool ok = StartUp(1, &code);
        CloseLog();
        log = dir.ReadText("Ravlin.log");
        return ok;
    }
    // The log from the first sound line on.
    std::string SoundLog() const
    {
        size_t at = log.find("Info: DirectSound");
        return at == std::string::npos ? "" : log.substr(at);
    }

    ScratchDirectory dir;
    std::string log;
};

std::string BufferLines(int n)
{
    std::string d = std::to_string(n);
    return "Info: DirectSound CreateSoundBuffer " + d + " executed.\n" + "Info: DirectSound Lock " + d +
           " executed.\n" + "Info: DirectSound Unlock " + d + " executed.\n";
}

TEST_F(SoundSetup, ThreeSilentLoopingOneSecondBuffers)
{
    ASSERT_TRUE(Boot());
    EXPECT_EQ(SoundLog(),
              "Info: DirectSound DirectSoundCreate executed.\n"
              "Info: DirectSound SetCooperativeLevel executed.\n" +
                  BufferLines(1) + BufferLines(2) + BufferLines(3) +
                  "Info: Sound system started.\n"
                  "Info: GetPriorityClass executed.\n"
                  "Info: SetPriorityClass executed.\n"
                  "Info: Main loop reached. Emulation has beed started.\n");
    for (SoundBuffer* buffer : {g_pDSBuffer1, g_pDSBuffer2, g_pDSBuffer3}) {
        HeadlessSoundState s = HeadlessSoundBuffer(buffer);
        ASSERT_TRUE(s.exists);
        EXPECT_EQ(s.volume, -10000);
        EXPECT_EQ(s.frequency, 0u);
        EXPECT_EQ(s.pan, 0);
        EXPECT_TRUE(s.playing);
        EXPECT_EQ(s.samplesPerSecond, 22050u);
        EXPECT_EQ(s.data.size(), 22050u);
    }
}

TEST_F(SoundSetup, SquareWavesAndSeededNoise)
{
    ASSERT_TRUE(Boot());
    for (SoundBuffer* buffer : {g_pDSBuffer1, g_pDSBuffer2}) {
        std::vector<uint8_t> data = HeadlessSoundBuffer(buffer).data;
        for (size_t i = 0; i < data.size(); i++)
            ASSERT_EQ(data[i], (i % 16) < 8 ? 0xFF : 0x00) << i;
    }
    std::vector<uint8_t> noise = HeadlessSoundBuffer(g_pDSBuffer3).data;
    ASSERT_GE(noise.size(), 4u);
    EXPECT_EQ(noise[0], 0x7E);
    EXPECT_EQ(noise[1], 0xC6);
    EXPECT_EQ(noise[2], 0x12);
    EXPECT_EQ(noise[3], 0x72);
    // The generator runs on through the whole second.
    uint32_t state = 27;
    for (size_t i = 0; i < noise.size(); i++) {
        state = state * 214013u + 2531011u;
        ASSERT_EQ(noise[i], static_cast<uint8_t>(state >> 16)) << i;
    }
}

struct FailureCase {
    HeadlessCall call;
    int occurrence;
    const char* text;
    int buffersBefore;   // buffers made when the failure happens
};

// Without a working sound device the machine starts silently: a warning in
// the log, no box, the sound objects gone and the sound switched off.
TEST_F(SoundSetup, EachFailureStartsWithoutSoundAndSaysWhy)
{
    const FailureCase cases[] = {
        {HeadlessCall::DirectSoundCreate, 1, "Warning: DirectSoundCreate FAILED. Sound disabled.", 0},
        {HeadlessCall::SoundSetCooperativeLevel, 1, "Warning: DirectSound->SetCooperativeLevel FAILED. Sound disabled.", 0},
        {HeadlessCall::CreateSoundBuffer, 1, "Warning: DirectSound->CreateSoundBuffer FAILED. Sound disabled.", 0},
        {HeadlessCall::CreateSoundBuffer, 3, "Warning: DirectSound->CreateSoundBuffer FAILED. Sound disabled.", 2},
        {HeadlessCall::SoundLock, 1, "Warning: DirectSound->Lock FAILED. Sound disabled.", 1},
        {HeadlessCall::SoundLock, 2, "Warning: DirectSound->Lock FAILED. Sound disabled.", 2},
        {HeadlessCall::SoundUnlock, 1, "Warning: DirectSound->UnLock FAILED. Sound disabled.", 1},
        {HeadlessCall::SoundUnlock, 3, "Warning: DirectSound->UnLock FAILED. Sound disabled.", 3},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.text + std::string(" #") + std::to_string(c.occurrence));
        EXPECT_TRUE(BootWithFault(c.call, DSERR_GENERIC, c.occurrence));
        EXPECT_TRUE(HeadlessMessageBoxes().empty());
        EXPECT_NE(log.find(std::string(c.text) + "\nInfo: GetPriorityClass executed."), std::string::npos) << log;
        EXPECT_EQ(Config.SoundEmulation, 0u);
        // Everything made so far was released again; the machine makes no sound calls.
        EXPECT_EQ(g_pDS, nullptr);
        EXPECT_EQ(g_pDSBuffer1, nullptr);
        int calls = HeadlessSoundCallCount();
        WriteByte(0xFF11, 0x18);
        EXPECT_EQ(HeadlessSoundCallCount(), calls);
        EXPECT_EQ(log.find("Info: Sound system started."), std::string::npos);
        int made = 0;
        for (size_t at = log.find("Info: DirectSound CreateSoundBuffer"); at != std::string::npos;
             at = log.find("Info: DirectSound CreateSoundBuffer", at + 1))
            made++;
        EXPECT_EQ(made, c.buffersBefore);
    }
}

TEST_F(SoundSetup, PositiveResultsOfFailingCallsAreNoFailures)
{
    // Only a negative result fails a sound call.
    EXPECT_TRUE(BootWithFault(HeadlessCall::DirectSoundCreate, 1));
    EXPECT_TRUE(HeadlessMessageBoxes().empty());
}

struct WarningCase {
    HeadlessCall call;
    const char* what;
};

TEST_F(SoundSetup, WarningsNameTheChannelAndStartUpGoesOn)
{
    const WarningCase cases[] = {
        {HeadlessCall::SetFrequency, "Warning: Cannot set frequency for sound channel "},
        {HeadlessCall::SetPan, "Warning: Cannot set pan for sound channel "},
        {HeadlessCall::SetVolume, "Warning: Cannot set volume for sound channel "},
        {HeadlessCall::Play, "Warning: Cannot play sound channel "},
    };
    for (const WarningCase& c : cases) {
        for (int channel = 1; channel <= 3; channel++) {
            SCOPED_TRACE(std::string(c.what) + std::to_string(channel));
            // Any nonzero result warns, positive ones too.
            ASSERT_TRUE(BootWithFault(c.call, channel == 2 ? 1 : DSERR_GENERIC, channel));
            std::string line = c.what + std::to_string(channel) + ".\n";
            size_t at = log.find(line);
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(log.find("Warning:"), at) << "one warning only";
            // In its place: after the buffer's creation, before its lock.
            std::string d = std::to_string(channel);
            EXPECT_LT(log.find("CreateSoundBuffer " + d + " executed"), at);
            EXPECT_GT(log.find("Lock " + d + " executed"), at);
            EXPECT_NE(log.find("Info: Sound system started.\n"), std::string::npos);
        }
    }
}

TEST_F(SoundSetup, SoundOffMakesNoSoundObjects)
{
    for (const char* value : {"0", "2", "0x10"}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(Boot(std::string("SoundEmulation=") + value + "\n"));
        EXPECT_EQ(log.find("DirectSound"), std::string::npos);
        EXPECT_NE(log.find("Info: DirectInput Acquire executed.\nInfo: Sound disabled.\n"), std::string::npos);
        EXPECT_EQ(g_pDS, nullptr);
        EXPECT_EQ(g_pDSBuffer1, nullptr);
        EXPECT_EQ(g_pDSBuffer2, nullptr);
        EXPECT_EQ(g_pDSBuffer3, nullptr);
    }
}

}  // namespace
