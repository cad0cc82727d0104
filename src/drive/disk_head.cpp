#include "drive/disk_head.h"

namespace {

GcrTrack* TrackUnderHead(const DiskHead& head)
{
    return head.disk ? &head.disk->tracks[head.halfTrack] : nullptr;
}

// The ring's length in bits.  Where nothing is recorded the disk turns all
// the same: such a place counts as a standard track of the current zone.
uint32_t RingBits(const DiskHead& head, int halfTrack)
{
    if (head.disk && !head.disk->tracks[halfTrack].bytes.empty())
        return static_cast<uint32_t>(head.disk->tracks[halfTrack].bytes.size() * 8);
    return static_cast<uint32_t>(TrackBytesInZone(head.zone) * 8);
}

void MoveHead(DiskHead& head, int to)
{
    if (to < 0 || to >= GcrHalfTracks || to == head.halfTrack)
        return;
    // The new track passes under the head at the same angle.
    const uint64_t from = RingBits(head, head.halfTrack);
    head.bitPosition = static_cast<uint32_t>(head.bitPosition * static_cast<uint64_t>(RingBits(head, to)) / from);
    head.halfTrack = to;
}

void ShiftBit(DiskHead& head)
{
    GcrTrack* track = TrackUnderHead(head);
    const uint32_t bits = RingBits(head, head.halfTrack);
    if (head.bitPosition >= bits)
        head.bitPosition %= bits;
    int bit;
    if (head.writing) {
        bit = head.writeShift >> 7;
        head.writeShift = static_cast<uint8_t>(head.writeShift << 1);
        if (track && !head.disk->writeProtected) {
            if (track->bytes.empty()) {
                track->bytes.assign(bits / 8, 0);
                track->zone = head.zone;
            }
            SetGcrTrackBit(*track, head.bitPosition, bit);
            track->written = true;
        }
    } else {
        bit = track && !track->bytes.empty() ? GcrTrackBit(*track, head.bitPosition) : 0;
    }
    head.readShift = static_cast<uint16_t>((head.readShift << 1 | bit) & 0x3FF);
    head.bitPosition = head.bitPosition + 1 == bits ? 0 : head.bitPosition + 1;
    if (DiskHeadSync(head)) {
        head.bitsInByte = 0;
        return;
    }
    if (++head.bitsInByte < 8)
        return;
    head.bitsInByte = 0;
    head.writeShift = head.writeData;
    if (head.byteReady)
        head.byteReady(head.context);
}

}  // namespace

void DiskHeadReset(DiskHead& head)
{
    head.motorOn = false;
    head.writing = false;
    head.writeData = 0xFF;
    head.ticksIntoBit = 0;
    head.readShift = 0;
    head.bitsInByte = 0;
    head.writeShift = 0xFF;
}

void DiskHeadInsert(DiskHead& head, GcrDisk* disk)
{
    head.disk = disk;
    head.readShift = 0;
    head.bitsInByte = 0;
}

void DiskHeadSetControls(DiskHead& head, uint8_t stepperPhase, bool motorOn, uint8_t zone)
{
    const int step = (stepperPhase - DiskHeadRestingPhase(head.halfTrack)) & 3;
    if (step == 1)
        MoveHead(head, head.halfTrack + 1);
    else if (step == 3)
        MoveHead(head, head.halfTrack - 1);
    head.motorOn = motorOn;
    head.zone = zone & 3;
}

void DiskHeadSetWriting(DiskHead& head, bool writing) { head.writing = writing; }

void DiskHeadRun(DiskHead& head, uint32_t ticks)
{
    if (!head.motorOn)
        return;
    const uint32_t cell = BitCellTicks(head.zone);
    uint64_t pending = static_cast<uint64_t>(head.ticksIntoBit) + ticks;
    while (pending >= cell) {
        pending -= cell;
        ShiftBit(head);
    }
    head.ticksIntoBit = static_cast<uint32_t>(pending);
}

uint32_t DiskHeadTicksToByte(const DiskHead& head)
{
    if (!head.motorOn)
        return DiskHeadNever;
    const uint32_t cell = BitCellTicks(head.zone);
    const uint32_t due = (8u - head.bitsInByte) * cell;
    return due > head.ticksIntoBit ? due - head.ticksIntoBit : 1;
}
