// The D64 image in memory: geometry, sectors and their error bytes, chains,
// the BAM and the whole-image write-back.
#include "drive/d64_image.h"

#include "files/safe_save.h"

D64Image Image;

uint8_t D64TrackSectors(uint8_t track)
{
    return track <= 17 ? 21 : track <= 24 ? 19 : track <= 30 ? 18 : 17;
}

size_t D64SectorIndex(uint8_t track, uint8_t sector)
{
    size_t index = 0;
    for (uint8_t t = 1; t < track; t++)
        index += D64TrackSectors(t);
    return index + sector;
}

namespace {

size_t SectorCount()
{
    return Image.tracks == 40 ? 768 : 683;
}

// The BAM entry of a track: a free count and three bytes of bits.  Tracks
// 36-40 of a 40-track image keep theirs after the disk name's block, at 0xC0.
uint8_t* BamEntry(uint8_t track)
{
    uint8_t* bam = Sector(DirectoryTrack, BamSector);
    if (!bam || track == 0 || track > Image.tracks)
        return nullptr;
    return track <= 35 ? bam + 4 * track : bam + 0xC0 + 4 * (track - 36);
}

// The error byte's codes as the drive's error numbers: 1 (or 0) reads well.
uint8_t ErrorFromCode(uint8_t code)
{
    switch (code) {
    case 0x00:
    case 0x01: return DosOk;
    case 0x02: return 20;
    case 0x03: return 21;
    case 0x04: return 22;
    case 0x05: return 23;
    case 0x06: return 24;
    case 0x07: return 25;
    case 0x08: return 26;
    case 0x09: return 27;
    case 0x0A: return 28;
    case 0x0B: return 29;
    case 0x0F: return 74;
    default: return DosReadError;
    }
}

// Tracks in the order files take them: nearest the directory first,
// alternating below and above.
std::vector<uint8_t> AllocationOrder()
{
    std::vector<uint8_t> order;
    for (int distance = 1; distance < 40; distance++)
        for (int track : {DirectoryTrack - distance, DirectoryTrack + distance})
            if (track >= 1 && track <= Image.tracks)
                order.push_back(static_cast<uint8_t>(track));
    return order;
}

}  // namespace

bool ImageFromBytes(std::vector<uint8_t> bytes)
{
    switch (bytes.size()) {
    case D64Bytes35: Image.tracks = 35; Image.hasErrorBytes = false; break;
    case D64Bytes35Errors: Image.tracks = 35; Image.hasErrorBytes = true; break;
    case D64Bytes40: Image.tracks = 40; Image.hasErrorBytes = false; break;
    case D64Bytes40Errors: Image.tracks = 40; Image.hasErrorBytes = true; break;
    default: return false;
    }
    Image.bytes = std::move(bytes);
    return true;
}

DosError ImageWriteBack()
{
    if (!SaveFileReplacing(DriveStore.path.c_str(), Image.bytes.data(), Image.bytes.size()))
        return DosError{DosWriteError, 0, 0};
    return DosError{};
}

uint8_t SectorsInTrack(uint8_t track)
{
    return track >= 1 && track <= Image.tracks ? D64TrackSectors(track) : 0;
}

bool SectorExists(uint8_t track, uint8_t sector)
{
    return sector < SectorsInTrack(track);
}

uint8_t* Sector(uint8_t track, uint8_t sector)
{
    if (!SectorExists(track, sector))
        return nullptr;
    size_t offset = D64SectorIndex(track, sector) * SectorBytes;
    return offset + SectorBytes <= Image.bytes.size() ? Image.bytes.data() + offset : nullptr;
}

DosError CheckSectorRead(uint8_t track, uint8_t sector)
{
    if (!Sector(track, sector))
        return DosError{DosIllegalTrackOrSector, track, sector};
    if (Image.hasErrorBytes) {
        size_t at = SectorCount() * SectorBytes + D64SectorIndex(track, sector);
        if (at < Image.bytes.size())
            if (uint8_t code = ErrorFromCode(Image.bytes[at]))
                return DosError{code, track, sector};
    }
    return DosError{};
}

void ClearSectorError(uint8_t track, uint8_t sector)
{
    if (!Image.hasErrorBytes || !SectorExists(track, sector))
        return;
    size_t at = SectorCount() * SectorBytes + D64SectorIndex(track, sector);
    if (at < Image.bytes.size())
        Image.bytes[at] = 0x01;
}

DosError FollowChain(uint8_t track, uint8_t sector, std::vector<ChainStep>* steps, std::vector<uint8_t>* data)
{
    std::vector<bool> seen(SectorCount(), false);
    for (;;) {
        DosError error = CheckSectorRead(track, sector);
        if (error.code)
            return error;
        size_t index = D64SectorIndex(track, sector);
        if (seen[index])
            return DosError{DosReadError, track, sector};   // the chain loops
        seen[index] = true;
        if (steps)
            steps->push_back({track, sector});
        const uint8_t* bytes = Sector(track, sector);
        if (bytes[0] == 0) {
            // The last sector: its second byte is the index of its last
            // data byte.
            if (data && bytes[1] >= 2)
                data->insert(data->end(), bytes + 2, bytes + bytes[1] + 1);
            return DosError{};
        }
        if (data)
            data->insert(data->end(), bytes + 2, bytes + SectorBytes);
        track = bytes[0];
        sector = bytes[1];
    }
}

bool BamSectorFree(uint8_t track, uint8_t sector)
{
    const uint8_t* entry = BamEntry(track);
    return entry && SectorExists(track, sector) && (entry[1 + sector / 8] >> (sector % 8) & 1);
}

uint8_t BamTrackFree(uint8_t track)
{
    uint8_t free = 0;
    for (uint8_t s = 0; s < SectorsInTrack(track); s++)
        free += BamSectorFree(track, s) ? 1 : 0;
    return free;
}

void BamSetFree(uint8_t track, uint8_t sector, bool free)
{
    uint8_t* entry = BamEntry(track);
    if (!entry || !SectorExists(track, sector))
        return;
    // The BAM's own sector is never given away, whatever a damaged
    // directory entry's chain claims.
    if (free && track == DirectoryTrack && sector == BamSector)
        return;
    uint8_t bit = static_cast<uint8_t>(1 << (sector % 8));
    if (free)
        entry[1 + sector / 8] |= bit;
    else
        entry[1 + sector / 8] &= static_cast<uint8_t>(~bit);
    entry[0] = BamTrackFree(track);
}

uint16_t BamBlocksFree()
{
    uint16_t free = 0;
    for (uint8_t t = 1; t <= Image.tracks; t++)
        if (t != DirectoryTrack)
            free = static_cast<uint16_t>(free + BamTrackFree(t));
    return free;
}

void BamClear(bool allFree)
{
    for (uint8_t t = 1; t <= Image.tracks; t++) {
        uint8_t* entry = BamEntry(t);
        if (!entry)
            continue;
        entry[1] = entry[2] = entry[3] = 0;
        for (uint8_t s = 0; s < SectorsInTrack(t); s++)
            if (allFree)
                entry[1 + s / 8] |= static_cast<uint8_t>(1 << (s % 8));
        entry[0] = BamTrackFree(t);
    }
}

void BamRecount()
{
    for (uint8_t t = 1; t <= Image.tracks; t++)
        if (uint8_t* entry = BamEntry(t))
            entry[0] = BamTrackFree(t);
}

bool BamAllocate(uint8_t* track, uint8_t* sector, bool first)
{
    std::vector<uint8_t> order = AllocationOrder();
    size_t from = 0;
    if (!first)
        for (size_t i = 0; i < order.size(); i++)
            if (order[i] == *track)
                from = i;
    for (size_t i = from; i < order.size(); i++) {
        uint8_t t = order[i];
        uint8_t count = SectorsInTrack(t);
        uint8_t start = (!first && t == *track) ? static_cast<uint8_t>((*sector + 10) % count) : 0;
        for (uint8_t k = 0; k < count; k++) {
            auto s = static_cast<uint8_t>((start + k) % count);
            if (BamSectorFree(t, s)) {
                BamSetFree(t, s, false);
                *track = t;
                *sector = s;
                return true;
            }
        }
    }
    // Nothing further out: take any free sector left nearer in.
    return first ? false : BamAllocate(track, sector, true);
}

bool BamAllocateDirectory(uint8_t after, uint8_t* sector)
{
    uint8_t count = SectorsInTrack(DirectoryTrack);
    for (uint8_t k = 0; k < count; k++) {
        auto s = static_cast<uint8_t>((after + 3 + k) % count);
        if (BamSectorFree(DirectoryTrack, s)) {
            BamSetFree(DirectoryTrack, s, false);
            *sector = s;
            return true;
        }
    }
    return false;
}
