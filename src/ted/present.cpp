// The end of a frame: pacing, the cursor and status line, and the copy of
// the frame buffer to the display surface in the chosen screen mode.
#include <algorithm>
#include <cstring>

#include "debugger/debugger.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/key_input.h"
#include "platform/setup.h"
#include "tape/datassette.h"
#include "ted/line_setup.h"
#include "sound/ted_sound.h"
#include "ted/present.h"
#include "ted/ted_clock.h"
#include "ted/ted_names.h"
#include "ted/video_watch.h"

namespace {

// What each screen mode copies: a block of frame-buffer lines and pixels,
// its place on the surface, and the doubling.  Mode 5 doubles each pixel
// across and each line down; mode 6 doubles across and leaves every second
// surface row as it was cleared (black scan lines).
constexpr ScreenCopy ScreenCopies[7] = {
    //  top lines left width  x   y  wide  down scanlines
    {56, 200, 64, 320, 0, 0, false, false, false},    // 0: 320 x 200
    {6, 300, 28, 400, 0, 0, false, false, false},     // 1: 400 x 300
    {0, 312, 0, 456, 28, 36, false, false, false},    // 2: 512 x 384, whole frame
    {36, 240, 64, 320, 0, 0, false, false, false},    // 3: 320 x 240
    {0, 312, 0, 456, 92, 84, false, false, false},    // 4: 640 x 480, whole frame
    {56, 200, 64, 320, 0, 0, true, true, false},      // 5: 640 x 400 doubled
    {6, 300, 28, 400, 0, 0, true, false, true},       // 6: 800 x 600 scan lines
};

// The steps of the frame end for each Sync value, in their order.
enum class FrameEndStep : uint8_t { None, Cursor, VerticalBlank, Timer, StatusLine, Copy };
constexpr FrameEndStep FrameEndOrder[3][4] = {
    {FrameEndStep::Cursor, FrameEndStep::StatusLine, FrameEndStep::Copy, FrameEndStep::None},
    {FrameEndStep::Cursor, FrameEndStep::VerticalBlank, FrameEndStep::StatusLine, FrameEndStep::Copy},
    {FrameEndStep::Timer, FrameEndStep::StatusLine, FrameEndStep::Cursor, FrameEndStep::Copy},
};

// The 50 Hz pacing: wait until a frame period has passed since the end of
// the previous wait.  The next period counts from the end of this wait, so
// a slow frame is never made up.
void WaitFramePeriod()
{
    while (QueryPerformanceCounter() - LastFrameTime < FramePeriod)
        SleepUntilCounter(LastFrameTime + FramePeriod);
    LastFrameTime = QueryPerformanceCounter();
}

// A frame not shown keeps its pacing; the cursor, the status line and the
// copy belong to the picture.
void RunStep(FrameEndStep step, bool shown)
{
    switch (step) {
    case FrameEndStep::Cursor:
        // 0xFF06 bit 4: display enabled.
        if (shown && Ram64 && (Ram64[ted::Control1] & ted::Ctrl1DisplayOn))
            DrawCursor();
        break;
    case FrameEndStep::VerticalBlank: WaitVerticalBlank(); break;
    case FrameEndStep::Timer: WaitFramePeriod(); break;
    case FrameEndStep::StatusLine:
        if (shown && StatusLineOn == 1)
            DrawStatusLine();
        break;
    case FrameEndStep::Copy:
        if (shown)
            CopyFrameToScreen();
        else if (g_pDDSPrimary)
            DisplayFrameNotShown(g_pDDSPrimary);
        break;
    case FrameEndStep::None: break;
    }
}

// What looks at the picture from inside the machine: a screenshot, a menu
// or the debugger (drawn over the picture), waiting for their turn.
bool LookRequested()
{
    return (ScreenshotRequest | OptionsMenuRequest | LoadMenuRequest | SaveMenuRequest | DebuggerRequest) != 0;
}

// Whether anyone will look at the next frame: the display, a look already
// asked for, or the debugger, which a breakpoint may open at any moment.
bool PictureWanted(bool paced)
{
    return BreakpointEnabled == 1 || LookRequested() || DisplayWantsPicture(paced);
}

}  // namespace

void SetDrawing(bool on)
{
    if (on == !Ted.NotDrawing)
        return;
    Ted.NotDrawing = !on;
    if (on) {
        // The measured model draws on from the beam; writes to what it
        // shows wait for the run again.
        if (Ted.ModelInUse == 1) {
            Ted.RenderColumn = static_cast<uint16_t>(Ted.LinePosition ? ((Ted.LinePosition - 1u) & ~3u) + 4 : 0);
            LatchFullLineIfOwed();
        }
        if (Ram64)
            RefreshVideoWatch();
        return;
    }
    FlushRender();
    Ted.DrawnFromFrameStart = 0;
    Ted.LastChunkDue = Ted.RenderColumn <= TedState::LastChunk;
    // With nothing pending, no write needs to wait for a run to be drawn.
    ClearVideoWatch();
}

bool RequestsMayRun()
{
    const bool whole = Ted.WholeFramesInRow == 2 && Ted.DrawnFromFrameStart && !Ted.NotDrawing;
    if (!LookRequested() || whole) {
        Ted.LookDeadline = 0;
        return true;
    }
    // A program that keeps its frames from ending gets its look at the
    // picture as it stands, four frames' time later.
    constexpr uint64_t LongestWait = 4 * 17784;
    const uint64_t now = SingleClockNow();
    if (Ted.LookDeadline == 0)
        Ted.LookDeadline = now + LongestWait;
    if (now >= Ted.LookDeadline) {
        Ted.LookDeadline = 0;
        return true;
    }
    SetDrawing(true);
    return false;
}

const ScreenCopy* ScreenCopyFor(uint32_t screenMode)
{
    return screenMode < 7 ? &ScreenCopies[screenMode] : nullptr;
}

void CopyFrame(const ScreenCopy& copy, const SurfaceDesc& desc)
{
    const uint32_t across = copy.doubleAcross ? 2 : 1;
    const uint32_t rowStep = (copy.doubleDown || copy.scanLines) ? 2 : 1;
    const uint32_t rowsPerLine = copy.doubleDown ? 2 : 1;
    // Never write past the surface, whatever its size.
    uint32_t width = copy.width;
    if (copy.x >= desc.width)
        return;
    if (copy.x + width * across > desc.width)
        width = (desc.width - copy.x) / across;
    uint32_t lines = copy.lines;
    if (copy.y + rowsPerLine > desc.height)
        return;
    if (copy.y + (lines - 1) * rowStep + rowsPerLine > desc.height)
        lines = (desc.height - copy.y - rowsPerLine) / rowStep + 1;

    for (uint32_t line = 0; line < lines; line++) {
        const uint8_t* source = FrameBuffer + (copy.top + line) * FrameWidth + copy.left;
        uint8_t* target = desc.bits + static_cast<ptrdiff_t>(copy.y + line * rowStep) * desc.pitch + copy.x;
        if (across == 1) {
            std::memcpy(target, source, width);
        } else {
            for (uint32_t x = 0; x < width; x++) {
                target[2 * x] = source[x];
                target[2 * x + 1] = source[x];
            }
        }
        if (rowsPerLine == 2)
            std::memcpy(target + desc.pitch, target, width * across);
    }
}

void CopyFrameToScreen()
{
    if (!g_pDDSPrimary)
        return;
    SurfaceDesc desc{};
    int32_t result;
    do {
        result = SurfaceLock(g_pDDSPrimary, &desc);
    } while (result == DDERR_WASSTILLDRAWING);
    if (result != DD_OK) {
        // A lost surface costs this frame; the next one finds it restored.
        SurfaceRestore(g_pDDSPrimary);
        return;
    }
    if (const ScreenCopy* copy = ScreenCopyFor(Config.ScreenMode))
        CopyFrame(*copy, desc);
    SurfaceUnlock(g_pDDSPrimary);
}

void PresentFrame()
{
    TedSoundFrameEnd();   // the frame's sound goes out with its picture
    // The settings keep Sync within its choices; should another value get
    // here, it paces as the default rather than never ending the frame.
    const uint32_t sync = Config.Sync <= HighestSync ? Config.Sync : DefaultSync;
    // Warp runs unpaced, as Sync 0 does; so does a moving tape with TapeWarp.
    const bool unpaced = WarpOn || TapeWarpActive() || sync == 0;
    const bool whole = !Ted.NotDrawing && Ted.DrawnFromFrameStart;
    Ted.WholeFramesInRow = whole ? static_cast<uint8_t>(std::min(Ted.WholeFramesInRow + 1, 2)) : 0;
    const bool shown = !Ted.DrawOnDemand || Ted.WholeFramesInRow == 2;
    for (FrameEndStep step : FrameEndOrder[unpaced ? 0 : sync])
        RunStep(step, shown);
    Ted.FrameEndArmed = 0;
    // The keyboard is scanned once a frame: the press queue's clock.
    KeyInputFrame(unpaced);
    DesktopFrame();
    // The next frame is drawn when someone will look at it.  The older
    // model's renderer leaves columns near the right end of a line to
    // later frames: it draws every frame.  A frame the TED made shorter or
    // longer than the beam's 312 lines leaves lines to later frames: the
    // frame after it is drawn.
    const bool regular = Ted.ModelInUse == 1 && Ted.LinesThisFrame == FrameLines;
    Ted.LinesThisFrame = 0;
    const bool draw = !Ted.DrawOnDemand || !regular || PictureWanted(!unpaced);
    SetDrawing(draw);
    Ted.DrawnFromFrameStart = draw;
}
