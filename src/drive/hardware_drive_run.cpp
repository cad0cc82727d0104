// The drive's board without its processor, until the processor core runs
// over a bus of its own: the chips and the disk run on by the clock.
#include "drive/hardware_drive_run.h"

namespace {
uint64_t BoardCycle = 0;
}  // namespace

void DriveProcessorReset(Drive1541&) {}

void DriveProcessorRunTo(Drive1541& board, uint64_t limit)
{
    if (limit <= BoardCycle)
        return;
    Drive1541Advance(board, static_cast<uint32_t>(limit - BoardCycle));
    BoardCycle = limit;
}

uint64_t DriveProcessorCycles() { return BoardCycle; }

void DriveProcessorLinesChanged(Drive1541&) {}
