// The renderer draws a line's chunks in runs, some time after the beam has
// passed them.  Every write that could change what a pending run shows must
// first have the run drawn: writes to the RAM pages the run reads (the
// video matrix and attributes, RAM glyphs or the bitmap), and every write
// to the TED's registers.
#pragma once
#include <cstdint>

#include "machine/machine_state.h"

// What a page's entry in Ted.Watch.page says: the pending run reads it, or
// (on the C16 with 16 KiB, every page) its writes must reach the RAM's copy
// and image (memory_map.h).
constexpr uint8_t WatchVideo = 1;
constexpr uint8_t WatchMirror = 2;

// Works out the watched pages for the current line latches, mode and
// machine model, when they differ from the ones the table was made for (or
// Ted.Watch.valid was cleared).
void RefreshVideoWatch();
// No run pending, none to come until the next RefreshVideoWatch: only the
// C16's pages stay watched.
void ClearVideoWatch();

[[gnu::always_inline]] inline void BeforeVideoWrite(uint16_t address)
{
    if (Ted.Watch.page[address >> 8] & WatchVideo) [[unlikely]]
        FlushRender();
}
