// The renderer draws a line's chunks in runs, some time after the beam has
// passed them.  Every write that could change what a pending run shows must
// first have the run drawn: writes to the RAM pages the run reads (the
// video matrix and attributes, RAM glyphs or the bitmap), and every write
// to the TED's registers.
#pragma once
#include <cstdint>

#include "machine/machine_state.h"

// Works out the watched pages for the current line latches and mode, when
// they differ from the ones the table was made for.
void RefreshVideoWatch();

[[gnu::always_inline]] inline void BeforeVideoWrite(uint16_t address)
{
    if (Ted.Watch.page[address >> 8]) [[unlikely]]
        FlushRender();
}
