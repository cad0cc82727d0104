// The measured model's scheduler (Accuracy=1): lines, bad lines, the TED's
// counters at 0xFF1A-0xFF1F, register accesses timed to their own cycle,
// and the open bus.  The line tables are in line_timing.h; the main loop
// walks them with MeasuredAdvance (steps_inline.h).
//
// The TED's line counter (LineCounter) steps at the start of each line and
// decides everything vertical: the graphics-type lines, the bad lines, the
// window's rows and the raster compare.  The beam (RasterLine, the frame
// buffer's line) steps with it and carries on when a program moves the
// counter; it meets the counter again when the counter starts a frame.
#include <algorithm>
#include <cstring>

#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "ted/irq_line.h"
#include "ted/line_setup.h"
#include "ted/memory_map.h"
#include "ted/present.h"
#include "ted/render_inline.h"
#include "ted/render_window.h"
#include "ted/steps_inline.h"
#include "ted/ted_names.h"
#include "ted/video_watch.h"

using namespace timing;

namespace {

constexpr uint16_t NoEvent = 0xFFFF;
constexpr uint16_t FrameStartBeamLine = 52;   // the frame buffer line of TED line 0
constexpr uint16_t RowBytes = 40;

inline const LineTable& TableNow() { return LineTables[Ted.LineKindNow][Ted.LineClockNow]; }

inline uint16_t LastLineOfFrame() { return Ted.Ntsc ? TimingChoices.ntscLines - 1 : TimingChoices.palLines - 1; }

inline bool GraphicsLine()
{
    return (Ram64[ted::Control1] & ted::Ctrl1DisplayOn) && Ted.LineCounter < TimingChoices.displayLines;
}

// The current line's first cycle at or after its position, in the table in
// force: after the kind or the clock changed, or the position moved.
void PlaceCycleInLine()
{
    const LineTable& t = TableNow();
    const unsigned slot = Ted.LinePosition >> 2;
    unsigned n = t.cycleAt[slot];
    if ((Ted.LinePosition & 3) && slot < SlotsPerLine && t.use[slot] == SlotUse::Double)
        n++;
    Ted.LineCycle = static_cast<uint8_t>(n);
}

// The line's kind from the counter and 0xFF06, at its start.  Two bad lines
// per character row: the row's last line (YSCROLL) fetches the next row's
// codes, the row's first line (YSCROLL + 1) its attributes.
// A line's kind as its start decides it, from the line counter and 0xFF06.
struct LineDecision {
    bool codes, attributes;
    LineKind kind;
};

struct LineRules {
    bool displayOn;
    unsigned vs;
};

inline LineRules RulesNow()
{
    const uint8_t ff06 = Ram64[ted::Control1];
    return {(ff06 & ted::Ctrl1DisplayOn) != 0, static_cast<unsigned>(ff06 & ted::Ctrl1VerticalScroll)};
}

[[gnu::always_inline]] inline LineDecision DecideLine(uint16_t line, LineRules r)
{
    const bool graphics = r.displayOn && line < TimingChoices.displayLines;
    const unsigned row = line & 7;
    LineDecision d;
    d.codes = graphics && line < TimingChoices.lastCodesLine && row == r.vs;
    d.attributes = graphics && line >= 1 && line <= TimingChoices.lastCodesLine && row == ((r.vs + 1) & 7);
    d.kind = !graphics ? BorderLine : (d.codes || d.attributes) ? BadLine : DisplayLine;
    return d;
}

void DecideBadLines()
{
    const LineDecision d = DecideLine(Ted.LineCounter, RulesNow());
    Ted.CodesLine = d.codes;
    Ted.AttributeLine = d.attributes;
    Ted.LineKindNow = d.kind;
    Ted.LineClockNow = Ted.SingleClock ? SingleClock : DoubleClock;
}

// The video matrix's codes (at the matrix base) or attributes (1 KiB
// below) for the row at a character position, counted within the 1 KiB.
void FetchRow(uint16_t position, bool attributes, uint8_t into[40])
{
    const uint16_t codes = static_cast<uint16_t>(((Ram64[ted::MatrixBase] & ted::MatrixBaseBits) + 4) << 8);
    const uint16_t base = attributes ? static_cast<uint16_t>(codes - 0x400) : codes;
    const uint16_t ramMask = RamAddressMask;
    const unsigned first = (base + (position & 0x3FF)) & ramMask;
    // The usual row lies in one piece: inside the 1 KiB and inside RAM.
    if ((position & 0x3FF) + 40 <= 0x400 && first + 40 <= ramMask + 1u) [[likely]] {
        std::memcpy(into, Ram64 + first, 40);
        return;
    }
    for (unsigned col = 0; col < 40; col++)
        into[col] = Ram64[(base + ((position + col) & 0x3FF)) & ramMask];
}

// The row state steps with each line: a row starts on its attribute line;
// otherwise the sub-row counts on, and a row that runs past its eighth line
// without a new one leaves the window idle.
void RememberRowState()
{
    Ted.RowActiveBefore = Ted.RowActive;
    Ted.RowsStartedBefore = Ted.RowsStarted;
    Ted.RowPositionBefore = Ted.RowPosition;
}

void StepRow()
{
    RememberRowState();
    if (Ted.AttributeLine) {
        // The codes fetched on the line before, the attributes now.
        Ted.RowPosition = Ted.CharPositionReload;
        std::memcpy(Ted.RowCodes, Ted.FetchedCodes, sizeof Ted.RowCodes);
        FetchRow(Ted.RowPosition, true, Ted.RowAttributes);
        Ted.SubRow = 0;
        Ted.RowActive = 1;
        Ted.RowsStarted = 1;
    } else if (Ted.LineCounter != 0) {
        Ted.SubRow = (Ted.SubRow + 1) & 7;
        if (Ted.SubRow == 0)
            Ted.RowActive = 0;
    }
}

void BeginMeasuredLine()
{
    // The beam finishes the line first.
    RenderUpTo(LineUnits);
    FlushRender();

    // The steps at the end of the line.  A codes line has fetched the next
    // row's codes (the row after the current one, or the first).
    if (Ted.CodesLine) {
        const uint16_t next = Ted.RowsStarted ? Ted.CharPositionReload + RowBytes : Ted.CharPositionReload;
        FetchRow(next, false, Ted.FetchedCodes);
        if (Ted.RowsStarted)
            Ted.CharPositionReload = (Ted.CharPositionReload + RowBytes) & 0x3FF;
    }
    if (Ted.LineCounter == TimingChoices.blinkLine && ++Ted.FlashCounter >= 16) {
        Ted.FlashCounter = 0;
        Ted.FlashPhase = !Ted.FlashPhase;
    }
    if (Ted.LineCounter == LastLineOfFrame())
        Ted.LineCounter = 0;
    else
        Ted.LineCounter = (Ted.LineCounter + 1) & 0x1FF;
    Ted.RasterLine = Ted.LineCounter == 0 ? FrameStartBeamLine : static_cast<uint16_t>((Ted.RasterLine + 1) % FrameLines);
    Ted.ClockAtLineStart += SlotsPerLine;
    Ted.LinesThisFrame++;
    Ted.LinePosition = 0;
    Ted.LineCycle = 0;
    Ted.RenderColumn = 0;
    Ted.RasterCompareArmed = 1;
    Ted.SubRowBefore = Ted.SubRow;
    if (Ted.LineCounter == 0) {
        // A new frame: the reload cleared, the sub-row counter at 7.
        Ted.CharPositionReload = 0;
        Ted.RowPosition = 0;
        Ted.SubRow = 7;
        Ted.RowActive = 0;
        Ted.RowsStarted = 0;
        // The frame end that decides whether this frame is drawn comes
        // after the instruction; what the beam passes before it is drawn.
        if (Ted.NotDrawing)
            SetDrawing(true);
    }
    DecideBadLines();
    StepRow();
    LatchMeasuredLine();
    WorkOutNextMeasuredEvent();
    if (Ted.NotDrawing) {
        DrawEdgeChunk(0);
        Ted.LastChunkDue = 1;
    }
}

// Works out the row state that a frame run from its start would have on
// the current line (entering the model part-way through a frame).
void WorkOutRowState()
{
    const unsigned vs = Ram64[ted::Control1] & ted::Ctrl1VerticalScroll;
    const unsigned line = Ted.LineCounter;
    Ted.SubRow = 7;
    Ted.RowActive = 0;
    Ted.RowsStarted = 0;
    Ted.RowPosition = 0;
    Ted.CharPositionReload = 0;
    if (line >= 1 + vs && line < TimingChoices.displayLines) {
        const unsigned rows = (line - 1 - vs) / 8;
        Ted.RowsStarted = 1;
        Ted.SubRow = static_cast<uint8_t>((line - 1 - vs) & 7);
        Ted.RowActive = rows < 25;
        Ted.RowPosition = static_cast<uint16_t>(RowBytes * (rows < 25 ? rows : 24));
        Ted.CharPositionReload = Ted.RowPosition;
    }
}

// Any value may be written to 0xFF1E: it moves the TED's position in the
// line to the start of the slot it names (values past 0xE3 wrap), at once.
// The single clock does not jump: the line gets longer or shorter.
void MoveHorizontalPosition(uint8_t value)
{
    const unsigned units = ((value + 32u) % LineUnits) & ~3u;
    Ted.ClockAtLineStart += Ted.LinePosition / 4;
    Ted.ClockAtLineStart -= units / 4;
    if (Ted.NotDrawing) {
        // The beam passes the line's edge chunks again.
        if (units == 0)
            DrawEdgeChunk(0);
        Ted.LastChunkDue = 1;
    }
    if (units > Ted.LinePosition)
        RenderUpTo(units);
    else if (Ted.RenderColumn > units)
        Ted.RenderColumn = static_cast<uint16_t>(units);
    FlushRender();
    Ted.LinePosition = static_cast<uint16_t>(units);
    PlaceCycleInLine();
}

}  // namespace

void MeasuredLineEvents()
{
    // The raster compare, once per line, at its chosen position.
    if (Ted.RasterCompareArmed && Ted.LinePosition >= TimingChoices.rasterMatchUnits &&
        Ted.LineCounter == Ted.RasterCompare) {
        BeforeVideoWrite(ted::IrqRequest);
        Ram64[ted::IrqRequest] |= ted::IrqRaster;
        Ted.InterruptWatch = 1;
        if (Ram64[ted::IrqEnable] & ted::IrqRaster)
            Ted.RasterIrqDue = 1;
        Ted.RasterCompareArmed = 0;
        // It rose at its position in the line, or when a write made the
        // compare match after that position.
        const uint64_t at = Ted.ClockAtLineStart * 4 + TimingChoices.rasterMatchUnits;
        IrqLineChanged(at > Ted.RasterArmedAt ? at : Ted.RasterArmedAt);
    }
    WorkOutNextMeasuredEvent();
}

uint64_t UnitsOfCycleBefore(unsigned back)
{
    const uint64_t lineStart = Ted.ClockAtLineStart * 4;
    if (Ted.LineCycle >= back)
        return lineStart + TableNow().unitsAt[Ted.LineCycle - back];
    // In the line before: its last slots give the processor double-clock
    // cycles (2 units) unless the single clock is forced (4).
    const uint64_t units = (Ted.LineClockNow == SingleClock ? 4u : 2u) * (back - Ted.LineCycle);
    return lineStart > units ? lineStart - units : 0;
}

void MeasuredCrossLines(unsigned cycle, bool deferred)
{
    int32_t slots = 0;
    while (cycle >= TableNow().cycles) {
        cycle -= TableNow().cycles;
        slots += static_cast<int32_t>(SlotsPerLine - (Ted.LinePosition >> 2));
        Ted.LinePosition = LineUnits;
        if (Ted.LineEventAt <= LineUnits)
            MeasuredLineEvents();
        BeginMeasuredLine();
    }
    Ted.LineCycle = static_cast<uint8_t>(cycle);
    Ted.LinePosition = TableNow().unitsAt[cycle];
    slots += Ted.LinePosition >> 2;
    CountTimerSlots(slots, deferred);
    if (Ted.LinePosition >= Ted.LineEventAt)
        MeasuredLineEvents();
}

void WorkOutNextMeasuredEvent()
{
    Ted.LineEventAt = (Ted.RasterCompareArmed && Ted.LineCounter == Ted.RasterCompare)
                          ? TimingChoices.rasterMatchUnits
                          : NoEvent;
}

namespace {

// Set while a frame nobody looks at leaves the line's full latches for
// later (LatchMeasuredLine): they come from the registers and the row
// state, which stay as they are until the next line or register write, so
// working them out later in the line gives the same values.
bool FullLatchesOwed;

void LatchFullLine()
{
    LineLatches& l = Ted.Latch;
    LatchRegisterValues(l);
    l.cr = static_cast<int16_t>(Ted.RowPosition / RowBytes);
    l.lineInRow = Ted.SubRow;
    l.gl = static_cast<uint16_t>(l.cb + Ted.SubRow);
    l.cp = static_cast<uint16_t>(l.mb + Ted.RowPosition);
    l.ap = static_cast<uint16_t>(l.cp - 0x400);
    l.matrixWrapped = 0;
    // In the bitmap modes the character position addresses the bitmap:
    // 8 bytes per cell.
    l.bitmapRowBase = static_cast<uint16_t>(l.bb + 8 * Ted.RowPosition);
    l.colourRowBase = static_cast<uint16_t>(l.mb + Ted.RowPosition);
    l.idle = !Ted.RowActive;
    l.buffered = 1;
    FullLatchesOwed = false;
}

}  // namespace

void LatchMeasuredLine()
{
    using namespace ted;
    const uint8_t ff06 = Ram64[Control1];
    const uint8_t ff07 = Ram64[Control2];
    const uint16_t mb = static_cast<uint16_t>(((Ram64[MatrixBase] & MatrixBaseBits) + 4) << 8);
    const bool forty = ff07 & Ctrl2Columns40;
    Ted.WindowLeft = forty ? 32 : 36;
    Ted.WindowRight = forty ? 192 : 188;
    // The window's rows by the TED's counter: lines 4-203 (25 rows) or
    // 8-199 (24).  The renderer compares beam lines, so the current line
    // is marked inside or outside.
    const bool rows25 = ff06 & Ctrl1Rows25;
    const Choices& c = TimingChoices;
    const unsigned top = rows25 ? c.windowTop25 : c.windowTop24, bottom = rows25 ? c.windowEnd25 : c.windowEnd24;
    const bool inside = Ted.LineCounter >= top && Ted.LineCounter < bottom;
    Ted.WindowTop = 0;
    Ted.WindowBottom = inside ? FrameLines : 0;
    const bool textMode = !(ff06 & Ctrl1Bitmap) && !(ff07 & Ctrl2Multicolour);
    Ted.TextLineFlags[Ted.RasterLine] = textMode && inside;
    Ted.RowMatrixBase[Ted.RasterLine] = mb;
    if (Ted.NotDrawing) {
        // What the line's edge chunks need now (DrawEdgeChunk); the rest
        // when someone asks (LatchFullLineIfOwed).
        Ted.Latch.border = Ram64[BorderColour];
        Ted.Latch.hs = ff07 & Ctrl2HorizontalScroll;
        FullLatchesOwed = true;
        return;
    }
    LatchFullLine();
    // New bases move the pages the picture reads: a write there right after
    // the switch must find the part the beam has passed drawn first.
    RefreshVideoWatch();
}

void LatchFullLineIfOwed()
{
    if (FullLatchesOwed && Ted.ModelInUse == 1) [[unlikely]]
        LatchFullLine();
}

void EnterMeasuredModel()
{
    if (Ted.ModelInUse == 1)
        return;
    if (Ram64)
        FlushRender();
    SettleTimers();
    Ted.ModelInUse = 1;
    Ted.DoubleSpeedLine = 0;
    Ted.LineSetupPending = 0;
    Ted.CyclesAccounted = 0;
    Ted.LinePosition = static_cast<uint16_t>((Ted.LinePosition % LineUnits) & ~3u);
    Ted.RasterLine = static_cast<uint16_t>(Ted.RasterLine % FrameLines);
    Ted.LineCounter = LineCounterTable[Ted.RasterLine];
    Ted.RenderColumn = Ted.LinePosition;
    if (!Ram64) {
        Ted.LineKindNow = BorderLine;
        Ted.LineClockNow = DoubleClock;
        PlaceCycleInLine();
        return;
    }
    Ted.Ntsc = (Ram64[ted::Control2] & ted::Ctrl2Ntsc) != 0;
    WorkOutRowState();
    RememberRowState();
    Ted.SubRowBefore = Ted.SubRow;
    FetchRow(Ted.RowPosition, false, Ted.RowCodes);
    FetchRow(Ted.RowPosition, true, Ted.RowAttributes);
    std::memcpy(Ted.FetchedCodes, Ted.RowCodes, sizeof Ted.FetchedCodes);
    DecideBadLines();
    LatchMeasuredLine();
    PlaceCycleInLine();
    WorkOutNextMeasuredEvent();
    IrqLineChanged(TedUnitsNow());
}

void EnterOlderModel()
{
    if (Ted.ModelInUse != 1) {
        Ted.ModelInUse = 0;
        return;   // the older model's state is its own
    }
    if (Ram64)
        FlushRender();
    Ted.ModelInUse = 0;
    SettleTimers();
    Ted.CyclesAccounted = 0;
    Ted.LinePosition &= static_cast<uint16_t>(~3u);
    Ted.LineSetupPending = 1;
    const uint16_t line = Ted.RasterLine;
    Ted.DoubleSpeedLine = !(Ram64 && (Ram64[ted::Control1] & ted::Ctrl1DisplayOn) && line >= 53 && line <= 259);
    WorkOutNextLineEvent();
}

void CatchUpToAccess()
{
    if (!Ted.InInstruction || Ted.ModelInUse != 1)
        return;
    // The processor names the cycle of the instruction its access lands on.
    const unsigned target = BusAccessCycle;
    if (target <= Ted.CyclesAccounted)
        return;
    const unsigned step = target - Ted.CyclesAccounted;
    Ted.CyclesAccounted = static_cast<uint8_t>(target);
    MeasuredAdvance(step, true);
}

uint8_t MeasuredCounterRead(uint8_t reg)
{
    using namespace ted;
    switch (reg) {
    case RegisterNumber(CharPositionReloadHigh):
    case RegisterNumber(CharPositionReloadLow): {
        // The step by 40 lands at 0xFF1E = 0x94 of the codes line.
        uint16_t reload = Ted.CharPositionReload;
        if (Ted.CodesLine && Ted.RowsStarted && Ted.LinePosition >= TimingChoices.reloadStepUnits)
            reload = (reload + RowBytes) & 0x3FF;
        // Cleared just before the frame's last line ends.
        if (Ted.LineCounter == LastLineOfFrame() && Ted.LinePosition >= TimingChoices.reloadClearUnits)
            reload = 0;
        return reg == RegisterNumber(CharPositionReloadHigh) ? static_cast<uint8_t>((reload >> 8) | 0xFC) : static_cast<uint8_t>(reload);
    }
    case RegisterNumber(LineCounterHigh): return static_cast<uint8_t>((Ted.LineCounter >> 8) | 0xFE);
    case RegisterNumber(LineCounterLow): return static_cast<uint8_t>(Ted.LineCounter);
    case RegisterNumber(HorizontalPosition): return static_cast<uint8_t>(ColumnTable[Ted.LinePosition % LineUnits]);
    default: {   // 0xFF1F
        // The sub-row counter settles over two units after the line starts:
        // the old value, then the carries cleared before the new bit is set.
        uint8_t subRow = Ted.SubRow;
        if (Ted.LinePosition < TimingChoices.subRowSettledUnits)
            subRow = Ted.LinePosition == 0 ? Ted.SubRowBefore : Ted.SubRowBefore & (Ted.SubRowBefore + 1);
        uint8_t blink = Ted.FlashCounter;
        if (Ted.LineCounter == TimingChoices.blinkLine && Ted.LinePosition >= TimingChoices.blinkStepUnits)
            blink = (blink + 1) & 15;
        return static_cast<uint8_t>(subRow | (blink << BlinkShift) | 0x80);
    }
    }
}

void BeforeMeasuredWrite()
{
    // The chunks up to the one the write lands in keep the old values.
    CatchUpToAccess();
    RenderUpTo((Ted.LinePosition & ~3u) + 4);
    FlushRender();
}

void AfterMeasuredWrite(uint8_t reg, uint8_t value)
{
    using namespace ted;
    switch (reg) {
    case RegisterNumber(Control1):
        if (Ted.LinePosition < UnitsPerSlot * TimingChoices.haltFirst) {
            // Before the bad line's halt begins the line is decided again
            // from the new YSCROLL and display bit: FLD and its relatives
            // may create or suppress this line's fetches.
            Ted.SubRow = Ted.LineCounter == 0 ? 7 : Ted.SubRowBefore;
            Ted.RowActive = Ted.RowActiveBefore;
            Ted.RowsStarted = Ted.RowsStartedBefore;
            Ted.RowPosition = Ted.RowPositionBefore;
            DecideBadLines();
            StepRow();
            PlaceCycleInLine();
            break;
        }
        [[fallthrough]];
    case RegisterNumber(CharacterBase):
        // The display switched on or off, or the clock: the rest of the line
        // follows the new table (a bad line decided at the line's start
        // stays one).
        if (Ted.LineKindNow != BadLine)
            Ted.LineKindNow = GraphicsLine() ? DisplayLine : BorderLine;
        Ted.LineClockNow = Ted.SingleClock ? SingleClock : DoubleClock;
        PlaceCycleInLine();
        break;
    case RegisterNumber(Control2): Ted.Ntsc = (value & ted::Ctrl2Ntsc) != 0; break;
    case RegisterNumber(CharPositionReloadHigh): Ted.CharPositionReload = static_cast<uint16_t>((Ted.CharPositionReload & 0xFF) | ((value & 3) << 8)); break;
    case RegisterNumber(CharPositionReloadLow): Ted.CharPositionReload = static_cast<uint16_t>((Ted.CharPositionReload & 0x300) | value); break;
    case RegisterNumber(LineCounterHigh):
        Ted.LineCounter = static_cast<uint16_t>((Ted.LineCounter & 0xFF) | ((value & 1) << 8));
        Ted.RasterArmedAt = TedUnitsNow();
        WorkOutNextMeasuredEvent();
        break;
    case RegisterNumber(LineCounterLow):
        Ted.LineCounter = static_cast<uint16_t>((Ted.LineCounter & 0x100) | value);
        Ted.RasterArmedAt = TedUnitsNow();
        WorkOutNextMeasuredEvent();
        break;
    case RegisterNumber(HorizontalPosition): MoveHorizontalPosition(value); break;
    case RegisterNumber(SubRowAndBlink):
        Ted.SubRow = Ted.SubRowBefore = value & ted::SubRowBits;
        Ted.FlashCounter = (value >> ted::BlinkShift) & 15;
        break;
    default:
        break;
    }
    // Everything from 0xFF06 to 0xFF1F but the keyboard, interrupt and sound
    // registers shapes the picture.
    const bool picture = reg >= RegisterNumber(Control1) && reg <= RegisterNumber(SubRowAndBlink) &&
                         !(reg >= RegisterNumber(KeyboardLatch) && reg <= RegisterNumber(SoundControl));
    if (picture)
        LatchMeasuredLine();
}

uint8_t OpenBusRead(uint16_t address)
{
    CatchUpToAccess();
    LatchFullLineIfOwed();
    // In the window of a graphics line the TED has the bus in the half of
    // each single-clock slot the processor leaves: the byte it fetched for
    // the cell under the beam.  Elsewhere the processor's own last bus
    // cycle: the high byte of the address it is reading.
    const unsigned slot = Ted.LinePosition >> 2;
    const unsigned first = TimingChoices.windowFirstSlot;
    if (Ted.LineKindNow != BorderLine && slot >= first && slot < first + 40 &&
        TableNow().use[slot] != SlotUse::Double && Ted.RowActive) {
        const LineLatches& l = Ted.Latch;
        const unsigned col = slot - first;
        const uint8_t code = Ted.RowCodes[col];
        if (Ram64[ted::Control1] & ted::Ctrl1Bitmap)
            return render::BitmapPattern(l, col, code);
        return render::GlyphByte(l, render::FetchImage(l.glyphRom), code, code);
    }
    return static_cast<uint8_t>(address >> 8);
}

void PlaceAtFrameStart()
{
    if (Ted.ModelInUse != 1 || !Ram64)
        return;
    FlushRender();
    // The single clock runs on: the new frame starts now.
    Ted.ClockAtLineStart += Ted.LinePosition / 4;
    Ted.LineCounter = 0;
    Ted.RasterLine = FrameStartBeamLine;
    Ted.LinePosition = 0;
    Ted.LineCycle = 0;
    Ted.CyclesAccounted = 0;
    Ted.RenderColumn = 0;
    Ted.SubRow = 7;
    Ted.CharPositionReload = 0;
    Ted.RowPosition = 0;
    Ted.RowActive = 0;
    Ted.RowsStarted = 0;
    RememberRowState();
    Ted.SubRowBefore = Ted.SubRow;
    Ted.RasterCompareArmed = 1;
    // As just after a frame's end: the frame under way is not presented.
    Ted.FrameEndArmed = 0;
    Ted.FrameCountArmed = 0;
    Ted.Ntsc = (Ram64[ted::Control2] & ted::Ctrl2Ntsc) != 0;
    DecideBadLines();
    LatchMeasuredLine();
    WorkOutNextMeasuredEvent();
}

unsigned MeasuredCyclesToNextEvent()
{
    const LineTable& t = TableNow();
    unsigned limit = t.cycles;   // the line's end
    // The raster compare: from the first cycle in its slot, a little early
    // at worst.
    if (Ted.LineEventAt < LineUnits)
        limit = std::min<unsigned>(limit, t.cycleAt[Ted.LineEventAt >> 2]);
    // The first timer to run out: the cycle that reaches the slot it does.
    const int32_t slotsLeft = Ted.TimerBudget - Ted.TimerTicksOwed;
    if (slotsLeft <= 0)
        return 0;
    const unsigned slotOut = (Ted.LinePosition >> 2) + static_cast<unsigned>(slotsLeft);
    if (slotOut < SlotsPerLine)
        limit = std::min<unsigned>(limit, t.cycleAt[slotOut]);
    unsigned cycles = limit > Ted.LineCycle ? limit - Ted.LineCycle : 0;
    // The end of a codes line fetches the next row's codes from RAM the
    // processor may be writing: the line's end stays an event.
    if (Ted.LineEventAt < LineUnits || slotOut < SlotsPerLine || Ted.CodesLine)
        return cycles;
    // Lines ahead whose start does nothing the processor could see or
    // change: the line's kind follows from the registers, which no
    // instruction of the run writes.  Not past the frame's end, not into
    // an attribute line (its start fetches the attributes), up to the
    // first event or the end of a codes line.
    constexpr unsigned MostLinesAhead = 8;
    const LineRules rules = RulesNow();
    const LineClock clock = Ted.SingleClock ? SingleClock : DoubleClock;
    const uint16_t last = LastLineOfFrame();
    uint16_t line = Ted.LineCounter;
    unsigned slotAhead = slotOut - SlotsPerLine;   // the run-out's slot from the next line's start
    for (unsigned k = 0; k < MostLinesAhead; k++) {
        line = line == last ? 0 : static_cast<uint16_t>((line + 1) & 0x1FF);
        if (line == 0)
            break;
        const LineDecision d = DecideLine(line, rules);
        if (d.attributes)
            break;
        const LineTable& n = LineTables[d.kind][clock];
        if (line == Ted.RasterCompare)
            return cycles + n.cycleAt[TimingChoices.rasterMatchUnits >> 2];
        if (slotAhead < SlotsPerLine)
            return cycles + n.cycleAt[slotAhead];
        cycles += n.cycles;
        if (d.codes)
            break;
        slotAhead -= SlotsPerLine;
    }
    return cycles;
}
