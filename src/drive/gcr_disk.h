// A floppy disk as the drive's head meets it: rings of GCR bits on up to 84
// half-track positions (track 1 to track 42.5), each recorded at one of four
// speed zones.  The same surface serves the 1541 and the 1551; D64 images
// are laid onto it when inserted (gcr_d64.h), G64 images are it as stored
// (g64_image.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int GcrHalfTracks = 84;

// Half-track positions count from 0 = track 1; a whole track t sits at 2(t-1).
constexpr int HalfTrackOfTrack(int track) { return (track - 1) * 2; }

struct GcrTrack {
    // The ring of bits as it passes the head, the first in bit 7 of byte 0.
    // Empty: nothing is recorded here.
    std::vector<uint8_t> bytes;
    uint8_t zone = 0;              // 0 (the slowest, inner tracks) to 3 (outer)
    std::vector<uint8_t> zoneMap;  // a G64's zone of each byte, as it came; else empty
    bool written = false;          // written by the drive since the disk went in
};

struct GcrDisk {
    GcrTrack tracks[GcrHalfTracks];
    bool writeProtected = false;
    uint16_t g64MaxTrackBytes = 0;   // a G64's own maximum, kept when written back
};

// The zone a standard disk records track t at: 3 for tracks 1-17, 2 for
// 18-24, 1 for 25-30, 0 beyond.
constexpr uint8_t StandardZone(int track) { return track <= 17 ? 3 : track <= 24 ? 2 : track <= 30 ? 1 : 0; }
// The bit cell of a zone in ticks of the drive's 16 MHz crystal: the clock
// divided by 16 - zone, four counts a bit.
constexpr uint32_t BitCellTicks(uint8_t zone) { return 4u * (16u - (zone & 3u)); }
// GCR bytes one turn at 300 rpm holds in a zone (0.2 s of bits).
constexpr size_t TrackBytesInZone(uint8_t zone) { return 100000 / (16 - (zone & 3)); }

inline int GcrTrackBit(const GcrTrack& track, uint32_t bit)
{
    return track.bytes[bit >> 3] >> (7 - (bit & 7)) & 1;
}
inline void SetGcrTrackBit(GcrTrack& track, uint32_t bit, int value)
{
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit & 7));
    track.bytes[bit >> 3] = static_cast<uint8_t>(value ? track.bytes[bit >> 3] | mask : track.bytes[bit >> 3] & ~mask);
}
