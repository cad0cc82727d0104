#include "machine/machine_state.h"

void BuildInternalTables()
{
    for (int i = 0; i < 40; i++)
        RowOffsetTable[i] = static_cast<uint16_t>(i * 40);
    for (int i = 0; i < 312; i++) {
        BitmapRowTable[i] = static_cast<uint32_t>(i * 320);
        LineOffsetTable[i] = static_cast<uint32_t>(i * 456);
        // Internal line 52 is the TED's line 0, where a frame ends.
        LineCounterTable[i] = static_cast<uint16_t>(i < 52 ? i + 260 : i - 52);
    }
    // The TED's horizontal counter is 0 at LinePosition 32, the left edge of
    // the 40-column window.
    for (int i = 0; i < 228; i++)
        ColumnTable[i] = static_cast<uint16_t>(i < 32 ? i + 196 : i - 32);
    // Playback rate at which a 16-sample square period sounds at the TED's
    // tone frequency for register value i.
    for (int i = 0; i < 1024; i++)
        FreqTable[i] = static_cast<uint32_t>((111860.781 / (1024 - i)) * 16.0);
}
