#include "drive/g64_image.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char Signature[] = "GCR-1541";
constexpr size_t SignatureBytes = 8;
constexpr size_t HeaderBytes = 12;
constexpr uint16_t UsualMaxTrackBytes = 7928;

uint32_t Read32(const std::vector<uint8_t>& file, size_t at)
{
    return static_cast<uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<uint32_t>(file[at + 3]) << 24);
}

void Put16(std::vector<uint8_t>& file, size_t at, size_t value)
{
    file[at] = static_cast<uint8_t>(value);
    file[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& file, size_t at, size_t value)
{
    for (int i = 0; i < 4; i++)
        file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t ZoneMapBytes(size_t trackBytes) { return (trackBytes + 3) / 4; }

}  // namespace

bool GcrDiskFromG64(const std::vector<uint8_t>& file, GcrDisk* disk, std::string* problem)
{
    std::string ignored;
    if (!problem)
        problem = &ignored;
    if (file.size() < HeaderBytes || std::memcmp(file.data(), Signature, SignatureBytes) != 0) {
        *problem = "not a G64 image";
        return false;
    }
    if (file[8] != 0) {
        *problem = "G64 version " + std::to_string(file[8]) + " is not known";
        return false;
    }
    const size_t entries = file[9];
    if (entries > GcrHalfTracks) {
        *problem = "G64 image with " + std::to_string(entries) + " half-tracks (84 at most)";
        return false;
    }
    if (file.size() < HeaderBytes + 8 * entries) {
        *problem = "G64 image cut short in its tables";
        return false;
    }
    GcrDisk read;
    read.g64MaxTrackBytes = static_cast<uint16_t>(file[10] | file[11] << 8);
    for (size_t i = 0; i < entries; i++) {
        const uint32_t offset = Read32(file, HeaderBytes + 4 * i);
        const uint32_t speed = Read32(file, HeaderBytes + 4 * entries + 4 * i);
        if (offset == 0)
            continue;
        const std::string where = "G64 half-track " + std::to_string(i) + ": ";
        if (static_cast<size_t>(offset) + 2 > file.size()) {
            *problem = where + "its offset points past the end";
            return false;
        }
        const size_t length = file[offset] | file[offset + 1] << 8;
        if (offset + 2 + length > file.size()) {
            *problem = where + "its bytes run past the end";
            return false;
        }
        GcrTrack& track = read.tracks[i];
        track.bytes.assign(file.begin() + offset + 2, file.begin() + offset + 2 + length);
        if (speed <= 3) {
            track.zone = static_cast<uint8_t>(speed);
        } else if (static_cast<size_t>(speed) + ZoneMapBytes(length) > file.size()) {
            *problem = where + "its speed map points past the end";
            return false;
        } else {
            track.zoneMap.assign(file.begin() + speed, file.begin() + speed + ZoneMapBytes(length));
            // The zone it mostly turns at: its first byte's.
            track.zone = track.zoneMap.empty() ? 0 : static_cast<uint8_t>(track.zoneMap[0] >> 6);
        }
    }
    *disk = std::move(read);
    return true;
}

std::vector<uint8_t> G64FromGcrDisk(const GcrDisk& disk)
{
    size_t largest = disk.g64MaxTrackBytes ? disk.g64MaxTrackBytes : UsualMaxTrackBytes;
    for (const GcrTrack& track : disk.tracks)
        largest = std::max(largest, track.bytes.size());
    largest = std::min<size_t>(largest, 0xFFFF);
    const size_t tablesEnd = HeaderBytes + 8 * GcrHalfTracks;
    std::vector<uint8_t> file(tablesEnd, 0);
    std::memcpy(file.data(), Signature, SignatureBytes);
    file[8] = 0;
    file[9] = GcrHalfTracks;
    Put16(file, 10, largest);
    for (int i = 0; i < GcrHalfTracks; i++) {
        const GcrTrack& track = disk.tracks[i];
        if (track.bytes.empty())
            continue;
        const size_t length = std::min(track.bytes.size(), largest);
        const size_t at = file.size();
        Put32(file, HeaderBytes + 4 * i, at);
        file.resize(at + 2 + largest, 0);
        Put16(file, at, length);
        std::memcpy(file.data() + at + 2, track.bytes.data(), length);
    }
    for (int i = 0; i < GcrHalfTracks; i++) {
        const GcrTrack& track = disk.tracks[i];
        const size_t entry = HeaderBytes + 4 * GcrHalfTracks + 4 * i;
        if (track.zoneMap.empty() || track.zoneMap.size() != ZoneMapBytes(track.bytes.size())) {
            Put32(file, entry, track.bytes.empty() ? 0 : track.zone & 3);
            continue;
        }
        Put32(file, entry, file.size());
        file.insert(file.end(), track.zoneMap.begin(), track.zoneMap.end());
    }
    return file;
}
