// A raster line's timing as data, for the measured model (Accuracy=1).
//
// A line is 57 single-clock slots.  In each slot the processor gets two
// cycles (double clock), one (single clock: the TED takes the other half of
// the slot for its fetch or the refresh) or none (halted while a bad line
// fetches).  One table per line kind and clock says which, and the
// scheduler (measured_timing.cpp) walks it with the prefix tables below:
// one lookup per instruction.  Every position the facts leave open is in
// TimingChoices; docs/hardware-notes.md cites it.
//
// Positions are in LinePosition units: 4 per slot, slot 0 beginning where
// the line counter steps (0xFF1E = 0xC4), the 40-column window at slots
// 8-47 (0xFF1E = 0x00-0x9C).
#pragma once
#include <array>
#include <cstdint>

namespace timing {

constexpr unsigned SlotsPerLine = 57;
constexpr unsigned UnitsPerSlot = 4;
constexpr unsigned LineUnits = SlotsPerLine * UnitsPerSlot;   // 228

// Every chosen position, in one place.
struct Choices {
    uint8_t lineStartHpos;       // 0xFF1E at slot 0, where the line counter steps
    uint8_t displaySingleFirst;  // display lines: single clock from this slot...
    uint8_t displaySingleEnd;    // ...up to this one (exclusive); double after it
    uint8_t refreshFirst;        // the refresh window, single clock on every line
    uint8_t refreshEnd;
    uint8_t haltFirst;           // bad lines: processor halted from this slot...
    uint8_t haltEnd;             // ...up to this one (exclusive)
    uint8_t rasterMatchUnits;    // where in the matching line the raster request rises
    uint8_t windowFirstSlot;     // first slot of the 40-column window
    uint16_t displayLines;       // lines 0 .. displayLines-1 are graphics-type lines
    uint16_t lastCodesLine;      // bad lines fetching codes: (line & 7) == YSCROLL, line < this
    uint16_t blinkLine;          // line whose end steps the blink counter
    uint16_t palLines, ntscLines;
    uint8_t reloadStepUnits;     // codes lines: 0xFF1A/0xFF1B step by 40 here
    uint8_t reloadClearUnits;    // the frame's last line: 0xFF1A/0xFF1B read 0 from here
    uint8_t subRowSettledUnits;  // 0xFF1F's sub-row reads its new value from here on
    uint8_t blinkStepUnits;      // the blink line: 0xFF1F's blink counter reads one more from here
    uint8_t windowTop25, windowEnd25;   // the window's lines with 25 rows (end exclusive)
    uint8_t windowTop24, windowEnd24;   // and with 24
};

constexpr Choices TimingChoices = {
    .lineStartHpos = 0xC4,
    .displaySingleFirst = 0,     // 0xFF1E 0xC4, with the external fetch window at 0xC8
    .displaySingleEnd = 49,      // 0xFF1E 0xA8, the end of the refresh window
    .refreshFirst = 44,          // 0xFF1E 0x90-0xA3: 5 slots
    .refreshEnd = 49,
    .haltFirst = 2,              // 0xFF1E 0xCC-0x97: 3 slots to halt, then 40 fetches
    .haltEnd = 45,
    .rasterMatchUnits = 8,       // 0xFF1E 0xCC
    .windowFirstSlot = 8,        // 0xFF1E 0x00
    .displayLines = 204,
    .lastCodesLine = 200,
    .blinkLine = 0xCD,
    .palLines = 312,
    .ntscLines = 262,
    .reloadStepUnits = 180,      // 0xFF1E 0x94, between RLD98's 0x92 and 0x96
    .reloadClearUnits = 226,     // 0xFF1E 0xC2 (RLD98: old at 0xC0, new at 0xC2)
    .subRowSettledUnits = 4,     // 0xFF1E 0xC8 (RLD98: old at 0xC4, carries settling at 0xC6)
    .blinkStepUnits = 208,       // 0xFF1E 0xB0 (RLD98: between 0xAE and 0xB0)
    .windowTop25 = 4,
    .windowEnd25 = 204,
    .windowTop24 = 8,
    .windowEnd24 = 200,
};

enum class SlotUse : uint8_t { Double, Single, Halted };
enum LineKind : uint8_t { BorderLine, DisplayLine, BadLine, LineKinds };
enum LineClock : uint8_t { DoubleClock, SingleClock, LineClocks };

constexpr SlotUse UseOf(LineKind kind, LineClock clock, unsigned slot)
{
    const Choices& c = TimingChoices;
    if (kind == BadLine && slot >= c.haltFirst && slot < c.haltEnd)
        return SlotUse::Halted;
    if (clock == SingleClock)
        return SlotUse::Single;
    if (slot >= c.refreshFirst && slot < c.refreshEnd)
        return SlotUse::Single;
    if (kind != BorderLine && slot >= c.displaySingleFirst && slot < c.displaySingleEnd)
        return SlotUse::Single;
    return SlotUse::Double;
}

constexpr unsigned CyclesIn(SlotUse use) { return use == SlotUse::Double ? 2 : use == SlotUse::Single ? 1 : 0; }

constexpr unsigned MaxCycles = 2 * SlotsPerLine;

// A line kind's table: the processor cycles it gives, the position of each
// of its cycles, and the first cycle at or after each slot.
struct LineTable {
    uint8_t cycles;                                  // processor cycles in the line
    std::array<uint8_t, MaxCycles + 1> unitsAt;      // cycle n starts at unitsAt[n]; [cycles] = 228
    std::array<uint8_t, SlotsPerLine + 1> cycleAt;   // first cycle at or after slot s
    std::array<SlotUse, SlotsPerLine> use;
};

constexpr LineTable MakeLineTable(LineKind kind, LineClock clock)
{
    LineTable t{};
    unsigned n = 0;
    for (unsigned s = 0; s < SlotsPerLine; s++) {
        t.use[s] = UseOf(kind, clock, s);
        t.cycleAt[s] = static_cast<uint8_t>(n);
        const unsigned k = CyclesIn(t.use[s]);
        for (unsigned i = 0; i < k; i++)
            t.unitsAt[n++] = static_cast<uint8_t>(UnitsPerSlot * s + i * (UnitsPerSlot / k));
    }
    t.cycleAt[SlotsPerLine] = static_cast<uint8_t>(n);
    t.cycles = static_cast<uint8_t>(n);
    for (unsigned i = n; i <= MaxCycles; i++)
        t.unitsAt[i] = static_cast<uint8_t>(LineUnits);
    return t;
}

constexpr LineTable LineTables[LineKinds][LineClocks] = {
    {MakeLineTable(BorderLine, DoubleClock), MakeLineTable(BorderLine, SingleClock)},
    {MakeLineTable(DisplayLine, DoubleClock), MakeLineTable(DisplayLine, SingleClock)},
    {MakeLineTable(BadLine, DoubleClock), MakeLineTable(BadLine, SingleClock)},
};

// The measured counts per line.
static_assert(LineTables[BorderLine][DoubleClock].cycles == 109);
static_assert(LineTables[DisplayLine][DoubleClock].cycles == 65);
static_assert(LineTables[BadLine][DoubleClock].cycles == 22);
static_assert(LineTables[BorderLine][SingleClock].cycles == 57);
static_assert(LineTables[DisplayLine][SingleClock].cycles == 57);
static_assert(LineTables[BadLine][SingleClock].cycles == 14);

}  // namespace timing
