// TED chip state that lives outside Ram64: the timers, the raster position,
// interrupt bookkeeping, ROM banking and the per-line video latches.
#pragma once
#include <cstdint>

// Where the TED's fetches of glyphs or bitmap bytes find them (a fetch
// source): RAM, one of the two ROM images, or nothing at all (the last
// byte on the bus).
constexpr uint8_t FetchFromRam = 0;
constexpr uint8_t FetchFromBasicRom = 1;
constexpr uint8_t FetchFromKernalRom = 2;
constexpr uint8_t FetchFromOpenBus = 3;

struct LineLatches {
    uint8_t vs;            // vertical scroll, 0xFF06 & 7
    uint8_t hs;            // horizontal scroll, 0xFF07 & 7
    uint16_t mb;           // video matrix base (character codes)
    uint16_t bb;           // bitmap base
    uint16_t cb;           // character generator base
    int16_t cr;            // character row for bitmaps, (line - 56) >> 3
    uint8_t bg0, bg1, bg2, bg3, border;
    uint8_t glyphRom;            // glyph source, a fetch source
    uint16_t glyphMask;          // the RAM's address mask for Ram64, 0x3FFF inside a ROM image
    uint8_t bitmapSource;        // bitmap source, a fetch source
    uint16_t bitmapMask;         // as glyphMask
    uint16_t gl;                 // glyph line address (cb + line within row)
    uint16_t cp;                 // character pointer of the current text row
    uint16_t ap;                 // attribute pointer, cp - 0x400
    uint8_t matrixWrapped;       // a text run passed the matrix end on this line: cp and ap read 1 KiB lower
    uint16_t bitmapRowBase;      // bb + offset of bitmap row cr
    uint16_t colourRowBase;      // mb + offset of matrix row cr (bitmap colours)
    uint8_t lineInRow;           // bitmap line within its character row
    uint8_t idle;                // no row fetched (measured model): the window shows background
    uint8_t buffered;            // codes and attributes from the row's fetches (measured model)
};

// The 256-byte pages of RAM that the pending run of chunks reads, and the
// line latches and mode they were worked out for.
struct VideoWatch {
    uint8_t page[256];
    // mb, cb and bb, the bitmap mode and the glyph source in one word, and
    // whether the table was made for it.
    uint64_t key;
    uint8_t valid;
};

struct TedState {
    int32_t Timer1Counter, Timer2Counter, Timer3Counter;
    uint16_t Timer1Latch, Timer2Latch, Timer3Latch;
    uint8_t Timer1Running, Timer2Running, Timer3Running;
    // RunMainLoop counts timer ticks here and applies them to the counters
    // only when TimerBudget ticks (the earliest run-out) are owed, or when
    // something outside the passes looks (SettleTimers).
    int32_t TimerTicksOwed;
    int32_t TimerBudget;

    uint16_t RasterCompare;     // 9 bits
    uint16_t RasterLine;        // 0-311
    uint16_t LinePosition;      // 4 units per processor cycle, 0-227
    uint8_t FlashCounter;       // 0-15
    uint8_t FlashPhase;

    uint8_t RomEnabled;
    uint8_t RomBank;            // bits 0-1 low window, bits 2-3 high window
    uint8_t SingleClock;

    uint8_t IrqPending;
    // Set when RunMainLoop's interrupt check must look: a request or an
    // enable changed, a reset or an interrupt is pending, or a request is
    // present (the processor may allow it at any instruction).
    uint8_t InterruptWatch;
    uint16_t IrqDelay;
    uint8_t ResetRequest;
    uint8_t RasterIrqDue;
    uint8_t RasterCompareArmed;
    uint8_t LineSetupPending;
    uint8_t DoubleSpeedLine;
    // RunMainLoop's line step looks at the line events only from this
    // LinePosition on: 0 with a set-up pending, 8 when this line's raster
    // compare is still to come, else 226 (the next line).
    uint16_t LineEventAt;

    // Window edges of the current line: columns in LinePosition units,
    // rows in internal raster lines.
    uint16_t WindowLeft, WindowRight, WindowTop, WindowBottom;

    LineLatches Latch;
    uint16_t RenderColumn;
    uint8_t FrameEndArmed;
    uint8_t FrameCountArmed;    // like FrameEndArmed, for FramesCompleted
    uint64_t FramesCompleted;   // frame ends seen by RenderStep since power-on
    uint8_t TextLineFlags[312];
    uint16_t RowMatrixBase[312];

    // The chunks the beam has passed on the current line but the renderer
    // has not drawn yet: one run on PendingLine (NoPendingLine: none), from
    // PendingFirst up to PendingNext (exclusive); in the measured model also
    // those from RenderColumn up to the beam.  They are drawn before
    // anything they read changes (see render_inline.h).
    static constexpr uint16_t NoPendingLine = 0xFFFF;
    uint16_t PendingLine = NoPendingLine;
    uint16_t PendingFirst, PendingNext;
    VideoWatch Watch;

    // The measured model (Accuracy=1): the TED's own counters and the line
    // table in force; see measured_timing.cpp and line_timing.h.
    static constexpr uint8_t ModelNotSetUp = 0xFF;
    uint8_t ModelInUse = ModelNotSetUp;   // 0 the older model, 1 the measured one
    uint8_t InInstruction;       // the processor is inside ExecuteInstruction
    uint8_t CyclesAccounted;     // cycles of that instruction already stepped (a register access)
    uint8_t LineCycle;           // processor cycles into the line
    uint8_t LineKindNow;         // timing::LineKind
    uint8_t LineClockNow;        // timing::LineClock
    uint8_t CodesLine;           // this line fetches character codes
    uint8_t AttributeLine;       // this line fetches attributes: a character row starts
    uint16_t LineCounter;        // 0xFF1C/0xFF1D, 9 bits
    uint8_t SubRow;              // 0xFF1F bits 0-2
    uint8_t SubRowBefore;        // its value on the previous line (read during the step)
    uint8_t RowActive;           // a row is being shown (else the window is idle)
    uint8_t RowsStarted;         // a row has started in this frame
    uint16_t CharPositionReload; // 0xFF1A/0xFF1B, 10 bits
    uint16_t RowPosition;        // character position of the row shown
    // The row state as the line found it, for a line decided again by an
    // early 0xFF06 write.
    uint8_t RowActiveBefore, RowsStartedBefore;
    uint16_t RowPositionBefore;
    // What the bad lines fetched: the codes line the next row's codes, the
    // attribute line its attributes.  The row is drawn from these copies.
    uint8_t FetchedCodes[40];
    uint8_t RowCodes[40];
    uint8_t RowAttributes[40];
    uint8_t Ntsc;                // 0xFF07 bit 6 in force
    uint8_t PictureHeld;         // the debugger steps: the beam draws nothing

    // Drawing on demand.  While NotDrawing is set the TED does everything
    // but draw: a frame nobody will look at.  Only the first and last
    // chunk of each line are drawn (render.cpp), the last one when the
    // beam passes it while LastChunkDue is set; the measured model's
    // RenderColumn is set from the beam when drawing starts again.  RunMainLoop sets DrawOnDemand
    // and decides at each frame end whether the next frame is drawn
    // (present.cpp); MainLoopPass draws always.  A picture is whole when
    // the frame under way has been drawn from its start and the two frames
    // before it were drawn whole; a frame is shown at its end when it and
    // the frame before it were drawn whole.
    uint8_t NotDrawing;
    uint8_t LastChunkDue;
    static constexpr uint16_t LastChunk = 224;
    uint8_t DrawOnDemand;
    uint8_t DrawnFromFrameStart = 1;
    uint8_t WholeFramesInRow = 2;   // counted up to 2
    uint16_t LinesThisFrame;        // lines the measured model's beam began since the frame end
    uint64_t LookDeadline;          // single clock by which a waiting look runs anyway; 0: none waits
    // Single-clock cycles from power-on to the start of the current line
    // (both models; SingleClockNow adds the position in the line).
    uint64_t ClockAtLineStart;
    // The TED's interrupt output in the measured model (irq_line.h): its
    // level, when it last rose and fell, and when a register write last
    // made the raster compare match, in quarter slots since power-on.
    uint8_t IrqLine;
    uint64_t IrqLineRoseAt, IrqLineFellAt;
    uint64_t RasterArmedAt;
};

extern TedState Ted;

// Sound register values shared between the memory map and the sound voices.
struct SoundRegisters {
    uint16_t Voice1Frequency;   // 10 bits
    uint16_t Voice2Frequency;   // 10 bits
    uint8_t SoundVolume;        // 0-8
    uint8_t LastSoundControl;
    uint8_t DigiVolume;         // 0-8
    uint8_t DigiChannels;       // 0-3
    uint16_t DigiLevel;
};

extern SoundRegisters SoundRegs;

// Timers and interrupts.
void TimerStep();
// Applies the ticks RunMainLoop owes the timers and works out the next
// budget.  Called before anything reads or changes the timers.
void SettleTimers();
void InterruptCheck();
// Raster timing and line set-up.
void LineStep();
void WorkOutNextLineEvent();
// SettleTimers and WorkOutNextLineEvent: before and after anything outside
// RunMainLoop's passes looks at or changes the machine.
void SettleDeferredSteps();
// Pixel rendering.  RenderStep draws at once; the main loop defers the
// drawing (render_inline.h) and FlushRender draws what is pending.
void RenderStep();
void FlushRender();
void DrawCursor();
// Sets the 8 bytes at destination to colour.
void FillPixels8(uint8_t* destination, uint8_t colour);
// Copies 8 pixels into a 312 x 456 frame buffer at a byte offset; bytes that
// would fall past the buffer's end are dropped.
void PutPixels8(uint8_t* frameBuffer, uint32_t offset, const uint8_t pixels[8]);
// Presentation at the end of a frame.
void PresentFrame();
