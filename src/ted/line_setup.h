// The video latches a line is drawn from, and the measured model's line
// and counter logic (measured_timing.cpp).
#pragma once
#include <cstdint>

#include "machine/machine_state.h"

// The register-derived part of the latches: scrolls, bases, colours and the
// glyph source.  Both models' line set-ups use it.
void LatchRegisterValues(LineLatches& l);

// The measured model.
// Takes the machine into the model (from the older one, or after a reset
// or power-on), working out the TED's counters from the beam position.
void EnterMeasuredModel();
// And back: the older model goes on from the beam position.
void EnterOlderModel();
// The latches of the current line, from the registers and the row state:
// at the line's start and after every register write.
// While nothing is drawn only what the line's edge chunks need is
// latched; LatchFullLineIfOwed completes the latches before anyone else
// reads them (drawing switched on, the open bus).
void LatchMeasuredLine();
void LatchFullLineIfOwed();
// The raster compare position of the current line, or none.
void WorkOutNextMeasuredEvent();
// Inside an instruction, steps the TED up to the cycle on which the
// instruction's register access lands.
void CatchUpToAccess();
// Register reads and writes the measured model answers itself: the
// counters at 0xFF1A-0xFF1F.  Write also re-times the line after writes
// that change its kind or clock.
uint8_t MeasuredCounterRead(uint8_t reg);
void BeforeMeasuredWrite();
void AfterMeasuredWrite(uint8_t reg, uint8_t value);
// What an address no chip answers reads: the last byte on the data bus.
uint8_t OpenBusRead(uint16_t address);
// After a snapshot load: the TED at the start of a frame.
void PlaceAtFrameStart();
