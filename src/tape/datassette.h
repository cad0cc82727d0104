// The 1531 datassette on the processor port's cassette lines: a tape that
// moves past the head while a key is down and the port's motor line is on,
// played back as levels on the read line (port bit 4), recorded from the
// write line (port bit 1), and its keys seen on the sense line ($FD10 bit 2).
// The KERNAL's own tape code does all the rest.
#pragma once
#include <cstdint>
#include <string>

enum class DeckKey : uint8_t { Stop, Play, Record, FastForward, Rewind };

// Nonzero while the tape moves: a tape in, a key down, the motor on.  The
// main loop's per-step check; everything else waits for it.
extern uint8_t TapeMoving;
// The machine ran this many cycles of its single clock.
void TapeAdvance(uint32_t machineCycles);
inline void TapeStep(uint32_t machineCycles)
{
    if (TapeMoving) [[unlikely]]
        TapeAdvance(machineCycles);
}

// ---- The lines -------------------------------------------------------------
// The read line: true while the tape's signal is high.
bool TapeReadLineHigh();
// Any key down (the sense line pulled low).
bool TapeSenseKeyDown();
// The processor port changed the motor or write line.
void TapeLinesChanged(bool motorOn, bool writeHigh);

// ---- The deck --------------------------------------------------------------
// A TAP image goes in (what was in is saved and taken out).  A path that
// does not exist is a new, empty tape: its file is made once something is
// recorded.  False with the reason in *message; the deck is then empty.
bool TapeAttach(const std::string& path, std::string* message);
// A new, empty tape written at once to path (an existing file is refused).
bool TapeCreate(const std::string& path, std::string* message);
void TapeDetach();
bool TapeAttached();
bool TapeWriteProtected();
const std::string& TapeAttachedPath();
// A key pressed; Stop releases the one down.  Record on a write-protected
// tape, or any key with no tape in, changes nothing and returns false.
bool TapePressKey(DeckKey key);
DeckKey TapeKeyDown();
bool TapeMotorOn();
// The three-digit counter (000-999): the take-up spool's turns.
unsigned TapeCounter();
// The position from the start, in seconds of tape.
double TapeSeconds();
// What is recorded reaches the file now (done by itself whenever the tape
// stops).  False when the file can't be written; the tape keeps it.
bool TapeFlush();
// A message for the user about the last thing that went wrong (a failed
// save), taken once; empty when there is none.
std::string TakeTapeMessage();

// ---- The machine's side ------------------------------------------------------
// Whether a datassette is plugged in.  A boot ROM without tape code (the
// open ROM) leaves it out; the reason is what the user is told.
void SetDatassettePresent(bool present, const char* absentReason = "the open ROM has no tape support");
bool DatassettePresent();
const char* DatassetteAbsentReason();
// TapeWarp: the machine runs unpaced while the tape moves; DriveWarp likewise
// while the 1541's motor runs (the pace of the frame end asks this one).
bool TapeWarpActive();

void ResetTapeState();
