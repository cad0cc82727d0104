#include "drive/gcr_d64.h"

#include <cstring>

#include "drive/d64_image.h"
#include "drive/gcr_code.h"

namespace {

// Error-byte codes with a mark on the surface.
constexpr uint8_t CodeOk = 0x01;
constexpr uint8_t CodeNoHeader = 0x02;
constexpr uint8_t CodeNoSync = 0x03;
constexpr uint8_t CodeNoData = 0x04;
constexpr uint8_t CodeDataChecksum = 0x05;
constexpr uint8_t CodeBadGcr = 0x06;
constexpr uint8_t CodeHeaderChecksum = 0x09;
constexpr uint8_t CodeIdMismatch = 0x0B;

bool HasSurfaceMark(uint8_t code)
{
    switch (code) {
    case CodeNoHeader:
    case CodeNoSync:
    case CodeNoData:
    case CodeDataChecksum:
    case CodeBadGcr:
    case CodeHeaderChecksum:
    case CodeIdMismatch: return true;
    default: return false;
    }
}

constexpr uint8_t HeaderMark = 0x08;
constexpr uint8_t DataMark = 0x07;
constexpr uint8_t Spoiled = 0xFF;   // a spoiled checksum or ID is XORed with this
// A spoiled mark: $18 for a header, $17 for data.  Its code still starts with
// a 0 bit, so the block keeps its frame after SYNC, but its first GCR byte
// is neither a header's $52 nor a data block's $55.
constexpr uint8_t SpoiledMark = 0x10;
constexpr size_t SyncBytes = 5;
constexpr size_t HeaderGcrBytes = 10;
constexpr size_t HeaderGapBytes = 9;
constexpr size_t DataGcrBytes = 325;
constexpr size_t SectorLayoutBytes = SyncBytes + HeaderGcrBytes + HeaderGapBytes + SyncBytes + DataGcrBytes;
constexpr uint8_t GapByte = 0x55;
constexpr int NoSyncRun = 9;    // ones before a block recorded without SYNC
constexpr int SyncRun = 10;     // ones the hardware takes for SYNC

struct ImageShape {
    int tracks = 0;
    bool errorBytes = false;
    size_t sectors = 0;
};

bool ShapeOf(size_t size, ImageShape* shape)
{
    switch (size) {
    case D64Bytes35: *shape = {35, false, 683}; return true;
    case D64Bytes35Errors: *shape = {35, true, 683}; return true;
    case D64Bytes40: *shape = {40, false, 768}; return true;
    case D64Bytes40Errors: *shape = {40, true, 768}; return true;
    default: return false;
    }
}

uint8_t ErrorCode(const std::vector<uint8_t>& image, const ImageShape& shape, int track, int sector)
{
    if (!shape.errorBytes)
        return CodeOk;
    return image[shape.sectors * SectorBytes + D64SectorIndex(static_cast<uint8_t>(track), static_cast<uint8_t>(sector))];
}

const uint8_t* SectorBytesOf(const std::vector<uint8_t>& image, int track, int sector)
{
    return image.data() + D64SectorIndex(static_cast<uint8_t>(track), static_cast<uint8_t>(sector)) * SectorBytes;
}

// The disk ID as the BAM holds it: [0] the first character, [1] the second.
void BamId(const std::vector<uint8_t>& image, uint8_t id[2])
{
    const uint8_t* bam = SectorBytesOf(image, DirectoryTrack, BamSector);
    id[0] = bam[0xA2];
    id[1] = bam[0xA3];
}

// ---- Encoding ---------------------------------------------------------------

void AppendSync(std::vector<uint8_t>& out, bool present)
{
    // Without SYNC: gap bits, then nine ones ending just before the block.
    static const uint8_t noSync[SyncBytes] = {0x55, 0x55, 0x55, 0x55, 0xFF};
    for (size_t i = 0; i < SyncBytes; i++)
        out.push_back(present ? 0xFF : noSync[i]);
}

void AppendGcr(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; i += 4) {
        uint8_t group[5];
        GcrEncodeGroup(bytes + i, group);
        out.insert(out.end(), group, group + 5);
    }
}

void EncodeTrack(const std::vector<uint8_t>& image, const ImageShape& shape, int track, const uint8_t id[2],
                 GcrTrack& out)
{
    const uint8_t zone = StandardZone(track);
    const int sectors = D64TrackSectors(static_cast<uint8_t>(track));
    const size_t length = TrackBytesInZone(zone);
    const size_t gap = (length - sectors * SectorLayoutBytes) / sectors;
    out = GcrTrack{};
    out.zone = zone;
    out.bytes.reserve(length);
    for (int s = 0; s < sectors; s++) {
        const uint8_t code = ErrorCode(image, shape, track, s);
        uint8_t first = id[0], second = id[1];
        if (code == CodeIdMismatch) {
            first ^= Spoiled;
            second ^= Spoiled;
        }
        uint8_t header[8] = {HeaderMark, 0, static_cast<uint8_t>(s), static_cast<uint8_t>(track), second, first, 0x0F, 0x0F};
        header[1] = header[2] ^ header[3] ^ header[4] ^ header[5];
        if (code == CodeNoHeader)
            header[0] ^= SpoiledMark;
        if (code == CodeHeaderChecksum)
            header[1] ^= Spoiled;

        uint8_t data[260];
        data[0] = code == CodeNoData ? DataMark ^ SpoiledMark : DataMark;
        std::memcpy(data + 1, SectorBytesOf(image, track, s), SectorBytes);
        uint8_t checksum = 0;
        for (size_t i = 1; i <= SectorBytes; i++)
            checksum ^= data[i];
        data[257] = code == CodeDataChecksum ? checksum ^ Spoiled : checksum;
        data[258] = data[259] = 0;

        AppendSync(out.bytes, code != CodeNoSync);
        AppendGcr(out.bytes, header, sizeof header);
        out.bytes.insert(out.bytes.end(), HeaderGapBytes, GapByte);
        AppendSync(out.bytes, code != CodeNoSync);
        AppendGcr(out.bytes, data, sizeof data);
        if (code == CodeBadGcr)
            out.bytes.back() &= 0xE0;   // 00000: no nibble's code
        out.bytes.insert(out.bytes.end(), gap, GapByte);
    }
    out.bytes.resize(length, GapByte);
}

// ---- Decoding ---------------------------------------------------------------

struct Block {
    uint32_t start;   // the first bit after the run of ones
    bool sync;
    uint32_t length;  // bits to the next block
    bool data;
};

struct FoundSector {
    bool found = false;
    uint8_t code = CodeOk;   // the faults seen, the ID not yet compared
    uint8_t id[2] = {};      // as the BAM holds it
    uint8_t data[256] = {};
};

void ReadGcr(const GcrTrack& track, uint32_t bit, size_t count, uint8_t* out)
{
    const uint32_t bits = static_cast<uint32_t>(track.bytes.size() * 8);
    for (size_t i = 0; i < count; i++) {
        uint8_t value = 0;
        for (int b = 0; b < 8; b++) {
            value = static_cast<uint8_t>(value << 1 | GcrTrackBit(track, bit));
            bit = bit + 1 == bits ? 0 : bit + 1;
        }
        out[i] = value;
    }
}

// Where blocks start: after every run of at least nine ones.
std::vector<Block> FindBlocks(const GcrTrack& track)
{
    std::vector<Block> blocks;
    const uint32_t bits = static_cast<uint32_t>(track.bytes.size() * 8);
    uint32_t zero = 0;
    while (zero < bits && GcrTrackBit(track, zero))
        zero++;
    if (zero == bits)
        return blocks;
    int run = 0;
    for (uint32_t k = 1; k <= bits; k++) {
        const uint32_t p = (zero + k) % bits;
        if (GcrTrackBit(track, p)) {
            run++;
            continue;
        }
        if (run >= NoSyncRun)
            blocks.push_back({p, run >= SyncRun, 0, false});
        run = 0;
    }
    for (size_t i = 0; i < blocks.size(); i++) {
        const uint32_t next = blocks[(i + 1) % blocks.size()].start;
        blocks[i].length = blocks.size() == 1 ? bits : (next + bits - blocks[i].start) % bits;
        uint8_t gcr[5], first[4];
        ReadGcr(track, blocks[i].start, 5, gcr);
        GcrDecodeGroup(gcr, first);
        // A block is known by its mark; with a spoiled mark, by whether a
        // data block's bytes fit before the next one.
        blocks[i].data = first[0] == DataMark || (first[0] != HeaderMark && blocks[i].length >= DataGcrBytes * 8);
    }
    return blocks;
}

bool DecodeBytes(const uint8_t* gcr, size_t groups, uint8_t* out)
{
    bool valid = true;
    for (size_t g = 0; g < groups; g++)
        valid = GcrDecodeGroup(gcr + 5 * g, out + 4 * g) && valid;
    return valid;
}

// Each sector of the track the blocks hold: a header block followed by a
// data block.  The first fault-free copy of a sector wins.
void ScanTrack(const GcrTrack& track, int trackNumber, FoundSector* sectors, int count)
{
    const std::vector<Block> blocks = FindBlocks(track);
    if (blocks.size() < 2)
        return;
    for (size_t i = 0; i < blocks.size(); i++) {
        const Block& header = blocks[(i + blocks.size() - 1) % blocks.size()];
        const Block& data = blocks[i];
        if (!data.data || header.data || header.length < HeaderGcrBytes * 8 || data.length < DataGcrBytes * 8)
            continue;
        uint8_t gcr[DataGcrBytes], h[8], d[260];
        ReadGcr(track, header.start, HeaderGcrBytes, gcr);
        if (!DecodeBytes(gcr, 2, h) || h[3] != trackNumber || h[2] >= count)
            continue;
        ReadGcr(track, data.start, DataGcrBytes, gcr);
        bool badLastCode = false;
        if (!DecodeBytes(gcr, 65, d)) {
            // Only the very last code, past the checksum, may be invalid.
            // The mark of error 24 is 00000 there; anything else is what
            // the DOS leaves after every sector it writes (it turns the
            // head to reading while the last byte is still going out).
            badLastCode = (gcr[DataGcrBytes - 1] & 0x1F) == 0;
            gcr[DataGcrBytes - 1] = static_cast<uint8_t>((gcr[DataGcrBytes - 1] & 0xE0) | GcrCodeOfNibble[0]);
            if (!DecodeBytes(gcr, 65, d))
                continue;
        }
        uint8_t dataChecksum = 0;
        for (int k = 1; k <= 256; k++)
            dataChecksum ^= d[k];
        uint8_t code = CodeOk;
        if (!header.sync || !data.sync)
            code = CodeNoSync;
        else if (h[0] != HeaderMark)
            code = CodeNoHeader;
        else if ((h[2] ^ h[3] ^ h[4] ^ h[5]) != h[1])
            code = CodeHeaderChecksum;
        else if (d[0] != DataMark)
            code = CodeNoData;
        else if (dataChecksum != d[257])
            code = CodeDataChecksum;
        else if (badLastCode)
            code = CodeBadGcr;
        FoundSector& sector = sectors[h[2]];
        if (sector.found && (sector.code == CodeOk || code != CodeOk))
            continue;
        sector.found = true;
        sector.code = code;
        sector.id[0] = h[5];
        sector.id[1] = h[4];
        std::memcpy(sector.data, d + 1, 256);
    }
}

// The ID the DOS takes for the disk's: the BAM's, when a header on track 18
// carries it; else the one most of track 18's headers carry.
void DiskId(const GcrDisk& disk, const std::vector<uint8_t>& image, uint8_t id[2])
{
    FoundSector sectors[21];
    ScanTrack(disk.tracks[HalfTrackOfTrack(DirectoryTrack)], DirectoryTrack, sectors, D64TrackSectors(DirectoryTrack));
    if (sectors[BamSector].found && sectors[BamSector].code == CodeOk) {
        id[0] = sectors[BamSector].data[0xA2];
        id[1] = sectors[BamSector].data[0xA3];
    } else {
        BamId(image, id);
    }
    int best = 0;
    uint8_t common[2] = {id[0], id[1]};
    for (const FoundSector& a : sectors) {
        if (!a.found)
            continue;
        if (a.id[0] == id[0] && a.id[1] == id[1])
            return;
        int votes = 0;
        for (const FoundSector& b : sectors)
            votes += b.found && b.id[0] == a.id[0] && b.id[1] == a.id[1];
        if (votes > best) {
            best = votes;
            common[0] = a.id[0];
            common[1] = a.id[1];
        }
    }
    id[0] = common[0];
    id[1] = common[1];
}

bool DecodeTrack(const GcrDisk& disk, int track, const uint8_t id[2], const ImageShape& shape,
                 std::vector<uint8_t>& image, std::string* problem)
{
    const int count = D64TrackSectors(static_cast<uint8_t>(track));
    FoundSector sectors[21];
    ScanTrack(disk.tracks[HalfTrackOfTrack(track)], track, sectors, count);
    const std::string lead = "track " + std::to_string(track) + " no longer decodes: ";
    for (int s = 0; s < count; s++) {
        FoundSector& sector = sectors[s];
        if (!sector.found) {
            *problem = lead + "sector " + std::to_string(s) + " not found";
            return false;
        }
        // An image without error bytes can't hold the mark; the sector's
        // bytes are whole.
        if (sector.code == CodeBadGcr && !shape.errorBytes)
            sector.code = CodeOk;
        if (sector.code == CodeOk && (sector.id[0] != id[0] || sector.id[1] != id[1]))
            sector.code = CodeIdMismatch;
        if (sector.code != CodeOk && !shape.errorBytes) {
            *problem = lead + "sector " + std::to_string(s) + " reads with error code " + std::to_string(sector.code) +
                       " and the image has no error bytes";
            return false;
        }
    }
    for (int s = 0; s < count; s++) {
        const size_t index = D64SectorIndex(static_cast<uint8_t>(track), static_cast<uint8_t>(s));
        uint8_t* bytes = image.data() + index * SectorBytes;
        if (shape.errorBytes) {
            uint8_t& errorByte = image[shape.sectors * SectorBytes + index];
            const bool same = std::memcmp(bytes, sectors[s].data, SectorBytes) == 0;
            const bool keep = sectors[s].code == CodeOk && (errorByte <= CodeOk || (!HasSurfaceMark(errorByte) && same));
            if (!keep)
                errorByte = sectors[s].code;
        }
        std::memcpy(bytes, sectors[s].data, SectorBytes);
    }
    return true;
}

}  // namespace

bool GcrDiskFromD64(const std::vector<uint8_t>& image, GcrDisk* disk)
{
    ImageShape shape;
    if (!ShapeOf(image.size(), &shape))
        return false;
    *disk = GcrDisk{};
    uint8_t id[2];
    BamId(image, id);
    for (int track = 1; track <= shape.tracks; track++)
        EncodeTrack(image, shape, track, id, disk->tracks[HalfTrackOfTrack(track)]);
    return true;
}

bool GcrTrackIntoD64(const GcrDisk& disk, int track, std::vector<uint8_t>& image, std::string* problem)
{
    std::string ignored;
    if (!problem)
        problem = &ignored;
    ImageShape shape;
    if (!ShapeOf(image.size(), &shape) || track < 1 || track > shape.tracks) {
        *problem = "track " + std::to_string(track) + " is not on the image";
        return false;
    }
    uint8_t id[2];
    DiskId(disk, image, id);
    return DecodeTrack(disk, track, id, shape, image, problem);
}

bool GcrDiskIntoD64(const GcrDisk& disk, std::vector<uint8_t>& image, bool writtenOnly, std::string* problems)
{
    std::string ignored;
    if (!problems)
        problems = &ignored;
    problems->clear();
    ImageShape shape;
    if (!ShapeOf(image.size(), &shape)) {
        *problems = "not a D64 image";
        return false;
    }
    uint8_t id[2];
    DiskId(disk, image, id);
    bool all = true;
    for (int track = 1; track <= shape.tracks; track++) {
        if (writtenOnly && !disk.tracks[HalfTrackOfTrack(track)].written)
            continue;
        std::string problem;
        if (!DecodeTrack(disk, track, id, shape, image, &problem)) {
            *problems += problem + "\n";
            all = false;
        }
    }
    return all;
}
