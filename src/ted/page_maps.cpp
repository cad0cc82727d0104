#include "ted/page_maps.h"

#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "ted/memory_map.h"

ReadPageMaps ReadMaps;

namespace {

void BuildReadMaps()
{
    ReadPageMaps& m = ReadMaps;
    m.ram = Ram64;
    m.low = LowRomImage();
    m.high = HighRomImage();
    m.ramMask = RamAddressMask;
    for (unsigned page = 0; page < 256; page++) {
        const uint16_t base = static_cast<uint16_t>(page << 8);
        // Below 0x8000 the C16's 16 KiB are read through their image in
        // Ram64 (memory_map.h), as the inline path reads them.
        const uint8_t* ram = Ram64 + (page < 0x80 ? base : RamAddress(base));
        const uint8_t* rom = ram;
        if (page >= 0x80 && page < 0xC0)
            rom = m.low + (base - 0x8000);
        else if (page >= 0xC0 && page < 0xFC)
            rom = m.high + (base - 0xC000);
        else if (page == 0xFC)
            rom = KernalRom + (base - 0xC000);   // the KERNAL's page stays in every bank
        const bool decoded = page == 0x00 || page >= 0xFD;
        m.withRom[page] = decoded ? nullptr : rom;
        m.withoutRom[page] = decoded ? nullptr : ram;
    }
}

}  // namespace

const uint8_t* const* CurrentReadMap()
{
    const ReadPageMaps& m = ReadMaps;
    if (m.ram != Ram64 || m.low != LowRomImage() || m.high != HighRomImage() || m.ramMask != RamAddressMask)
        [[unlikely]]
        BuildReadMaps();
    return Ted.RomEnabled ? m.withRom : m.withoutRom;
}
