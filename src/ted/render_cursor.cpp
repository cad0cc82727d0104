// The text cursor.  The TED blinks it with the flash phase by swapping the
// cell's background and the cursor colour over the finished frame.
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "ted/ted_names.h"

void DrawCursor()
{
    if (Ted.FlashPhase == 0 || !(Ram64[ted::Control1] & ted::Ctrl1DisplayOn))
        return;   // off phase, or the display is blanked
    const unsigned position = ((Ram64[ted::CursorHigh] & 3) << 8) | Ram64[ted::CursorLow];
    if (position > 999)
        return;
    const unsigned row = position / 40;
    const unsigned col = position % 40;
    const bool fortyColumns = Ram64[ted::Control2] & ted::Ctrl2Columns40;
    if (!fortyColumns && (col == 0 || col == 39))
        return;   // hidden under the 38-column border

    const unsigned firstLine = 56 + 8 * row;
    const uint16_t attribute =
        static_cast<uint16_t>(Ted.RowMatrixBase[firstLine] + 40 * row + col - 0x400);
    const uint8_t cursor = Ram64[RamAddress(attribute)];
    const uint8_t background = Ram64[ted::Background0];
    const int vs = Ted.Latch.vs;
    const unsigned hs = Ted.Latch.hs;

    for (unsigned j = 0; j < 8; j++) {
        const int target = static_cast<int>(firstLine + j) + vs - 3;
        if (!Ted.TextLineFlags[firstLine + j] || target < 56 || target > 255)
            continue;
        uint8_t* pixel = FrameBuffer + LineOffsetTable[target] + 64 + 8 * col + hs;
        for (unsigned i = 0; i < 8; i++)
            pixel[i] = pixel[i] == background ? cursor : background;
    }
}
