// The processor's reads as 256 page pointers: a page of RAM or ROM is read
// straight from its image, and only the pages with something else in them
// (0x0000-0x00FF for the processor port at 0x0000-0x0001, the I/O pages
// 0xFD00-0xFEFF and the TED's registers at 0xFF00) have no pointer.  Two
// maps, one with the ROM windows and one with RAM everywhere, so that
// 0xFF3E and 0xFF3F only choose between them.
#pragma once
#include <cstdint>

struct ReadPageMaps {
    const uint8_t* withRom[256];
    const uint8_t* withoutRom[256];
    // What they were built for: the RAM block, the size of RAM, the banks.
    const uint8_t* ram;
    const uint8_t* low;
    const uint8_t* high;
    uint16_t ramMask;
};

extern ReadPageMaps ReadMaps;

// The map for the machine as it is now, rebuilt first when the RAM, its
// size or the ROM banks changed.
const uint8_t* const* CurrentReadMap();
