// Raster timing: the beam's position in the frame, the video set-up latched
// at the start of each line, and the raster interrupt request.
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "ted/line_setup.h"
#include "ted/steps_inline.h"
#include "ted/ted_names.h"

namespace {

constexpr uint16_t LineUnits = 228;   // 57 cycles of 4 units
constexpr int LastLine = 311;

// With 0xFF12 bit 2 set the TED fetches from ROM, whatever the processor's
// banking says: BASIC at 0x8000-0xBFFF, the KERNAL above.  Below 0x8000 no
// ROM answers; the measured model reads the last byte on the bus there,
// the older one RAM.
uint8_t FetchSourceAt(uint16_t base, bool fromRom, bool openBus)
{
    if (!fromRom)
        return FetchFromRam;
    if (base >= 0x8000)
        return base < 0xC000 ? FetchFromBasicRom : FetchFromKernalRom;
    return openBus ? FetchFromOpenBus : FetchFromRam;
}

uint16_t FetchMask(uint8_t source) { return source == FetchFromRam ? RamAddressMask : RomSize - 1; }

}  // namespace

void LatchRegisterValues(LineLatches& l)
{
    using namespace ted;
    const uint8_t ff06 = Ram64[Control1];
    const uint8_t ff07 = Ram64[Control2];
    const uint8_t ff12 = Ram64[BitmapBase];
    const uint8_t ff13 = Ram64[CharacterBase];
    l.vs = ff06 & Ctrl1VerticalScroll;
    l.hs = ff07 & Ctrl2HorizontalScroll;
    l.mb = static_cast<uint16_t>(((Ram64[MatrixBase] & MatrixBaseBits) + 4) << 8);
    l.bb = static_cast<uint16_t>((ff12 & BitmapBaseBits) << 10);
    // 256 characters need a 2 KiB generator; 128 characters plus reverse 1 KiB.
    l.cb = static_cast<uint16_t>(((ff07 & Ctrl2Characters256) ? (ff13 & CharBase2K) : (ff13 & CharBase1K)) << 8);
    l.bg0 = Ram64[Background0];
    l.bg1 = Ram64[Background1];
    l.bg2 = Ram64[Background2];
    l.bg3 = Ram64[Background3];
    l.border = Ram64[BorderColour];
    // The bit covers the bitmap too; the older model takes bitmaps from RAM.
    if (!(ff12 & BitmapGlyphsFromRom)) {
        l.glyphRom = l.bitmapSource = FetchFromRam;
        l.glyphMask = l.bitmapMask = RamAddressMask;
        return;
    }
    const bool measured = Ted.ModelInUse == 1;
    l.glyphRom = FetchSourceAt(l.cb, true, measured);
    l.glyphMask = FetchMask(l.glyphRom);
    l.bitmapSource = measured ? FetchSourceAt(l.bb, true, true) : FetchFromRam;
    l.bitmapMask = FetchMask(l.bitmapSource);
}

namespace {

// Latches the video registers for the current line.  The renderer draws
// the whole line from these values without decoding registers again.
void LineSetUp()
{
    const int line = Ted.RasterLine;
    LineLatches& l = Ted.Latch;
    LatchRegisterValues(l);
    l.cr = static_cast<int16_t>((line - 56) >> 3);
    l.lineInRow = static_cast<uint8_t>((line - 56) & 7);
    l.idle = 0;
    l.buffered = 0;
    if (line >= 56)
        Ted.RowMatrixBase[line] = l.mb;

    // Bitmap and bitmap-colour rows; lines above the window never show a
    // bitmap, so they use row 0 rather than a row before the tables.
    const int row = l.cr < 0 ? 0 : l.cr;
    l.bitmapRowBase = static_cast<uint16_t>(l.bb + BitmapRowTable[row]);
    l.colourRowBase = static_cast<uint16_t>(l.mb + RowOffsetTable[row]);

    // Glyph line: the remainder keeps the dividend's sign, as the lines
    // before 45 + vs never show characters.
    l.gl = static_cast<uint16_t>(l.cb + (line - l.vs - 45) % 8);

    // Text row shown on this line.  With vs above 3 the first window lines
    // come before row 0; they show row 0.
    if (line >= 56) {
        const int rowLine = line - 53 - l.vs;
        const int textRow = rowLine < 0 ? 0 : rowLine >> 3;   // at most 32
        l.cp = static_cast<uint16_t>(l.mb + RowOffsetTable[textRow]);
        l.ap = static_cast<uint16_t>(l.cp - 0x400);
        l.matrixWrapped = 0;
    }
}

// The TED's raster compare, on the line counter, at most once per line.  It
// waits until two cycles into the line.
void RasterCompareStep()
{
    if (Ted.LinePosition >= 8 && Ted.RasterCompareArmed &&
        LineCounterTable[Ted.RasterLine] == Ted.RasterCompare) {
        Ram64[ted::IrqRequest] |= ted::IrqRaster;
        Ted.InterruptWatch = 1;
        if (Ram64[ted::IrqEnable] & ted::IrqRaster)
            Ted.RasterIrqDue = 1;
        Ted.RasterCompareArmed = 0;
    }
}

void BeginLine()
{
    if (++Ted.RasterLine > LastLine) {
        Ted.RasterLine = 0;
        if (++Ted.FlashCounter >= 16) {
            Ted.FlashCounter = 0;
            Ted.FlashPhase = !Ted.FlashPhase;
        }
    }
    const int line = Ted.RasterLine;
    using namespace ted;
    const uint8_t ff06 = Ram64[Control1];
    const uint8_t ff07 = Ram64[Control2];

    // The processor runs at double rate except while the TED fetches the
    // picture: the display lines with the display enabled.
    Ted.DoubleSpeedLine = !((ff06 & Ctrl1DisplayOn) && line >= 53 && line <= 259);

    if (ff07 & Ctrl2Columns40) {
        Ted.WindowLeft = 32;
        Ted.WindowRight = 192;
    } else {
        Ted.WindowLeft = 36;
        Ted.WindowRight = 188;
    }
    if (ff06 & Ctrl1Rows25) {
        Ted.WindowTop = 56;
        Ted.WindowBottom = 256;
    } else {
        Ted.WindowTop = 60;
        Ted.WindowBottom = 252;
    }

    const bool textMode = !(ff06 & Ctrl1Bitmap) && !(ff07 & Ctrl2Multicolour);
    if (textMode && line >= Ted.WindowTop && line <= Ted.WindowBottom)
        Ted.TextLineFlags[line] = 1;
    else if (line >= 56 && line <= 256)
        Ted.TextLineFlags[line] = 0;
}

}  // namespace

void LineStep() { LineStepInline(); }

void WorkOutNextLineEvent()
{
    if (Ted.ModelInUse == 1) {
        WorkOutNextMeasuredEvent();
        return;
    }
    uint16_t at = 226;
    if (Ted.LineSetupPending)
        at = 0;
    else if (Ted.RasterCompareArmed && LineCounterTable[Ted.RasterLine] == Ted.RasterCompare)
        at = 8;
    Ted.LineEventAt = at;
}

void SettleDeferredSteps()
{
    SettleTimers();
    WorkOutNextLineEvent();
    Ted.InterruptWatch = 1;
}

void LineStepEvents()
{
    // The line set-up and the new line change what the renderer reads.
    FlushRender();
    if (Ted.LineSetupPending) {
        LineSetUp();
        Ted.LineSetupPending = 0;
    }
    RasterCompareStep();
    if (Ted.LinePosition >= 226)
        BeginLine();
    if (Ted.LinePosition >= LineUnits) {
        Ted.LinePosition = static_cast<uint16_t>(Ted.LinePosition - LineUnits);
        // A step is a few cycles; a longer one (never made by an
        // instruction) still leaves the position inside the line.
        if (Ted.LinePosition >= LineUnits)
            Ted.LinePosition %= LineUnits;
        Ted.ClockAtLineStart += LineUnits / 4;
        Ted.LineSetupPending = 1;
        Ted.RasterCompareArmed = 1;
    }
    WorkOutNextLineEvent();
}
