// The drive's processor, for hardware_drive.cpp: the one part that knows
// the processor core.  The board's own time follows the processor's.
#pragma once
#include <cstdint>

#include "drive/drive1541.h"

// The RESET line: the processor starts over from the ROM's reset vector.
void DriveProcessorReset(Drive1541& board);
// Runs the processor (and the board with it) until every one of its
// accesses to the serial bus's chip before cycle `limit` has happened and
// none at or after it: the drive may stop a few cycles short of the limit,
// never past one of those accesses.
void DriveProcessorRunTo(Drive1541& board, uint64_t limit);
// The drive's cycles since power-on, and of them those counted in idle
// rounds rather than run.
uint64_t DriveProcessorCycles();
// Everything of the drive's processor and its run back to power-on.
void ResetDriveProcessorState();
uint64_t DriveProcessorIdleCycles();
// The interrupt line may have changed outside a run (the machine moved ATN).
void DriveProcessorLinesChanged(Drive1541& board);
