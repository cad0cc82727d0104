// The disk surface: the group code, D64 images laid out as GCR and decoded
// back (error bytes as faults on the surface), a sector rewritten through
// the head as the DOS writes one, and G64 images read and written.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "drive/d64_image.h"
#include "drive/disk_image_file.h"
#include "drive/disk_head.h"
#include "support/drive_test_support.h"
#include "drive/g64_image.h"
#include "drive/gcr_code.h"
#include "drive/gcr_d64.h"
#include "support/test_support.h"

namespace {

// Every sector but the BAM filled with bytes of its own; error bytes 1.
TestDisk FilledDisk(int tracks, bool errorBytes)
{
    TestDisk disk = TestDisk::Blank(tracks, errorBytes);
    std::fill(disk.bytes.begin() + (tracks == 40 ? 768 : 683) * 256, disk.bytes.end(), 0x01);
    for (int t = 1; t <= tracks; t++)
        for (int s = 0; s < D64TrackSectors(static_cast<uint8_t>(t)); s++)
            if (t != 18 || s != 0)
                for (int i = 0; i < 256; i++)
                    disk.Sector(t, s)[i] = static_cast<uint8_t>(t * 31 + s * 7 + i * 13);
    return disk;
}

uint8_t& ErrorByte(TestDisk& disk, int track, int sector)
{
    const size_t sectors = disk.tracks == 40 ? 768 : 683;
    return disk.bytes[sectors * 256 + D64SectorIndex(static_cast<uint8_t>(track), static_cast<uint8_t>(sector))];
}

// One turn of a track through the head, bit cell by bit cell: the first
// byte after each SYNC.
std::vector<uint8_t> FirstBytesAfterSyncs(GcrDisk& disk, int track)
{
    struct Log {
        DiskHead head;
        bool afterSync = false;
        std::vector<uint8_t> firsts;
    } log;
    log.head.disk = &disk;
    log.head.halfTrack = HalfTrackOfTrack(track);
    log.head.byteReady = [](void* context) {
        Log& l = *static_cast<Log*>(context);
        if (l.afterSync)
            l.firsts.push_back(DiskHeadByte(l.head));
        l.afterSync = false;
    };
    log.head.context = &log;
    const uint8_t zone = StandardZone(track);
    DiskHeadSetControls(log.head, DiskHeadRestingPhase(log.head.halfTrack), true, zone);
    for (size_t bit = 0; bit < disk.tracks[log.head.halfTrack].bytes.size() * 8; bit++) {
        DiskHeadRun(log.head, BitCellTicks(zone));
        log.afterSync = log.afterSync || DiskHeadSync(log.head);
    }
    return log.firsts;
}

TEST(GcrDiskTest, GroupsRoundTripWithinTheCodesLimits)
{
    uint8_t bytes[256], gcr[320], back[256];
    for (int b = 0; b < 256; b++)
        bytes[b] = static_cast<uint8_t>(b * 77 + (b >> 4));   // every nibble beside every other
    for (int g = 0; g < 64; g++) {
        GcrEncodeGroup(bytes + 4 * g, gcr + 5 * g);
        ASSERT_TRUE(GcrDecodeGroup(gcr + 5 * g, back + 4 * g));
    }
    EXPECT_EQ(std::memcmp(bytes, back, 256), 0);
    int run[2] = {0, 0}, most[2] = {0, 0};
    for (int bit = 0; bit < 320 * 8; bit++) {
        const int one = gcr[bit / 8] >> (7 - bit % 8) & 1;
        run[one]++;
        run[!one] = 0;
        most[one] = std::max(most[one], run[one]);
    }
    EXPECT_LE(most[1], 8) << "never a SYNC";
    EXPECT_LE(most[0], 2);
    const uint8_t invalid[5] = {0x00, 0x52, 0x94, 0xA5, 0x29};
    EXPECT_FALSE(GcrDecodeGroup(invalid, back));
}

TEST(GcrDiskTest, D64ImagesRoundTripThroughGcrWithTheirErrorBytes)
{
    struct Fault {
        int track, sector;
        uint8_t code;
    };
    const struct Case {
        const char* what;
        int tracks;
        bool errorBytes;
        std::vector<Fault> faults;
    } cases[] = {
        {"35 tracks", 35, false, {}},
        {"40 tracks, error bytes of every surface fault", 40, true,
         {{1, 0, 2}, {1, 20, 3}, {7, 3, 4}, {17, 20, 5}, {18, 4, 6}, {24, 18, 9}, {30, 17, 11}, {36, 1, 5}, {40, 16, 2}}},
        {"a whole track without SYNC", 35, true, {}},
    };
    for (const Case& c : cases) {
        TestDisk disk = FilledDisk(c.tracks, c.errorBytes);
        for (const Fault& f : c.faults)
            ErrorByte(disk, f.track, f.sector) = f.code;
        for (int s = 0; c.errorBytes && c.faults.empty() && s < 19; s++)
            ErrorByte(disk, 20, s) = 3;
        GcrDisk gcr;
        ASSERT_TRUE(GcrDiskFromD64(disk.bytes, &gcr)) << c.what;
        EXPECT_EQ(gcr.tracks[HalfTrackOfTrack(1)].bytes.size(), 7692u);
        EXPECT_EQ(gcr.tracks[HalfTrackOfTrack(35)].bytes.size(), 6250u);
        EXPECT_TRUE(gcr.tracks[HalfTrackOfTrack(1) + 1].bytes.empty()) << "half-tracks stay empty";

        // Into an image of zeros whose error bytes say "no error".
        std::vector<uint8_t> decoded(disk.bytes.size(), 0);
        std::fill(decoded.begin() + (c.tracks == 40 ? 768 : 683) * 256, decoded.end(), 0x01);
        std::string problems;
        EXPECT_TRUE(GcrDiskIntoD64(gcr, decoded, false, &problems)) << c.what << ": " << problems;
        EXPECT_TRUE(decoded == disk.bytes) << c.what;

        // As the hardware sees it: two SYNCs a sector, headers starting
        // $52 and data blocks $55, but for the faults that spoil them.
        std::vector<uint8_t> expected;
        for (int s = 0; s < 19; s++)
            if (!c.errorBytes || ErrorByte(disk, 20, s) != 3)
                expected.insert(expected.end(), {0x52, 0x55});
        EXPECT_EQ(FirstBytesAfterSyncs(gcr, 20), expected) << c.what;
        if (c.tracks == 40) {
            std::vector<uint8_t> firsts = FirstBytesAfterSyncs(gcr, 1);
            ASSERT_EQ(firsts.size(), 40u) << "sector 20's two SYNCs are missing";
            EXPECT_NE(firsts[0], 0x52) << "sector 0's header mark is spoiled";
        }
    }
}

TEST(GcrDiskTest, TracksThatNoLongerDecodeLeaveTheImageAlone)
{
    struct Case {
        const char* what;
        bool errorBytes;
        void (*spoil)(GcrTrack&);
        const char* problem;
    } cases[] = {
        {"erased", true, [](GcrTrack& t) { std::fill(t.bytes.begin(), t.bytes.end(), 0x55); },
         "track 5 no longer decodes: sector 0 not found"},
        {"data bytes changed, no error bytes to say so", false,
         [](GcrTrack& t) {
             const uint8_t other[4] = {1, 2, 3, 4};
             GcrEncodeGroup(other, t.bytes.data() + 400);   // sector 1's second group of data
         },
         "track 5 no longer decodes: sector 1 reads with error code 5 and the image has no error bytes"},
    };
    for (const Case& c : cases) {
        TestDisk disk = FilledDisk(35, c.errorBytes);
        GcrDisk gcr;
        ASSERT_TRUE(GcrDiskFromD64(disk.bytes, &gcr));
        c.spoil(gcr.tracks[HalfTrackOfTrack(5)]);
        gcr.tracks[HalfTrackOfTrack(5)].written = true;
        std::vector<uint8_t> image = disk.bytes;
        std::string problems;
        EXPECT_FALSE(GcrDiskIntoD64(gcr, image, true, &problems)) << c.what;
        EXPECT_EQ(problems, std::string(c.problem) + "\n");
        EXPECT_TRUE(image == disk.bytes) << c.what;
    }
}

// The DOS's write: find the sector's header, let nine bytes pass, switch the
// head to writing, five SYNC bytes and the data block, back to reading.
void WriteSectorAsTheDos(GcrDisk& disk, int track, int sector, const uint8_t data[256])
{
    struct Writer {
        DiskHead head;
        uint8_t header[10];
        std::vector<uint8_t> read, out;
        int wait = -1;
        size_t next = 0;
        bool done = false;
    } w;
    uint8_t block[260] = {0x07};
    std::memcpy(block + 1, data, 256);
    for (int i = 1; i <= 256; i++)
        block[257] ^= block[i];
    w.out.assign(4, 0xFF);
    for (int i = 0; i < 260; i += 4) {
        uint8_t gcr[5];
        GcrEncodeGroup(block + i, gcr);
        w.out.insert(w.out.end(), gcr, gcr + 5);
    }
    uint8_t plain[8] = {0x08, 0, static_cast<uint8_t>(sector), static_cast<uint8_t>(track), 'D', 'T', 0x0F, 0x0F};
    plain[1] = plain[2] ^ plain[3] ^ plain[4] ^ plain[5];
    GcrEncodeGroup(plain, w.header);
    GcrEncodeGroup(plain + 4, w.header + 5);
    w.head.disk = &disk;
    w.head.halfTrack = HalfTrackOfTrack(track);
    w.head.context = &w;
    w.head.byteReady = [](void* context) {
        Writer& w = *static_cast<Writer*>(context);
        if (w.head.writing) {
            w.done = w.next == w.out.size();
            if (w.done)
                DiskHeadSetWriting(w.head, false);
            else
                w.head.writeData = w.out[w.next++];
        } else if (w.wait > 0 && --w.wait == 0) {
            DiskHeadSetWriting(w.head, true);
        } else if (w.wait < 0) {
            w.read.push_back(DiskHeadByte(w.head));
            if (w.read.size() == 8 && std::memcmp(w.read.data(), w.header, 8) == 0)
                w.wait = 9;
        }
    };
    DiskHeadSetControls(w.head, DiskHeadRestingPhase(w.head.halfTrack), true, StandardZone(track));
    for (int cell = 0; cell < 200000 && !w.done; cell++) {
        DiskHeadRun(w.head, BitCellTicks(StandardZone(track)));
        if (DiskHeadSync(w.head))
            w.read.clear();
    }
    ASSERT_TRUE(w.done) << "the header was never found";
}

TEST(GcrDiskTest, ASectorWrittenThroughTheHeadDecodesBackUnlessProtected)
{
    for (bool isProtected : {false, true}) {
        TestDisk disk = FilledDisk(35, true);
        ErrorByte(disk, 12, 7) = 0x05;
        GcrDisk gcr;
        ASSERT_TRUE(GcrDiskFromD64(disk.bytes, &gcr));
        gcr.writeProtected = isProtected;
        uint8_t data[256];
        for (int i = 0; i < 256; i++)
            data[i] = static_cast<uint8_t>(0xA5 ^ i);
        WriteSectorAsTheDos(gcr, 12, 7, data);
        EXPECT_EQ(gcr.tracks[HalfTrackOfTrack(12)].written, !isProtected);
        std::vector<uint8_t> image = disk.bytes;
        std::string problem;
        ASSERT_TRUE(GcrTrackIntoD64(gcr, 12, image, &problem)) << problem;
        TestDisk expected = disk;
        if (!isProtected) {
            std::memcpy(expected.Sector(12, 7), data, 256);
            ErrorByte(expected, 12, 7) = 0x01;
        }
        EXPECT_TRUE(image == expected.bytes) << (isProtected ? "protected" : "writable");
    }
}

TEST(GcrDiskTest, ImageFilesTakeBackWhatTheDriveWrote)
{
    ScratchDirectory scratch;
    const TestDisk image = FilledDisk(35, false);
    image.Save("disk.d64");
    GcrDisk disk;
    DiskImageFile file;
    std::string message;
    ASSERT_TRUE(LoadDiskImageFile("disk.d64", &disk, &file, &message)) << message;
    const uint8_t data[256] = {1, 2, 3};
    WriteSectorAsTheDos(disk, 3, 4, data);
    GcrTrack& spoiled = disk.tracks[HalfTrackOfTrack(9)];
    spoiled.bytes.assign(100, 0x55);
    spoiled.written = true;
    EXPECT_FALSE(SaveDiskImageFile(disk, file, &message));
    EXPECT_EQ(message, "track 9 no longer decodes: sector 0 not found\n");
    TestDisk expected = image;
    std::memcpy(expected.Sector(3, 4), data, 256);
    EXPECT_TRUE(TestDisk::FromFile("disk.d64").bytes == expected.bytes) << "track 3 saved, track 9 as it was";
    EXPECT_FALSE(disk.tracks[HalfTrackOfTrack(3)].written);
    EXPECT_TRUE(spoiled.written) << "reported again at the next save";

    scratch.WriteFile("disk.g64", G64FromGcrDisk(disk));
    ASSERT_TRUE(LoadDiskImageFile("disk.g64", &disk, &file, &message)) << message;
    EXPECT_EQ(file.kind, DiskImageKind::G64);
    WriteSectorAsTheDos(disk, 5, 1, data);
    EXPECT_TRUE(SaveDiskImageFile(disk, file, &message)) << message;
    GcrDisk again;
    ASSERT_TRUE(LoadDiskImageFile("disk.g64", &again, &file, &message)) << message;
    EXPECT_TRUE(again.tracks[HalfTrackOfTrack(5)].bytes == disk.tracks[HalfTrackOfTrack(5)].bytes);

    chmod("disk.d64", 0444);
    ASSERT_TRUE(LoadDiskImageFile("disk.d64", &disk, &file, &message)) << message;
    EXPECT_TRUE(disk.writeProtected) << "a file without write permission";
    scratch.WriteFile("other.bin", {1, 2, 3});
    EXPECT_FALSE(LoadDiskImageFile("other.bin", &disk, &file, &message));
    EXPECT_EQ(message, "not a D64 or G64 image: 3 bytes");
}

TEST(GcrDiskTest, G64ImagesReadAndWriteAsTheyAre)
{
    GcrDisk disk;
    ASSERT_TRUE(GcrDiskFromD64(FilledDisk(35, false).bytes, &disk));
    disk.tracks[1].bytes.assign(7000, 0x5A);   // a half-track with something on it
    disk.tracks[1].zone = 2;
    disk.tracks[70].bytes.assign(6001, 0xFF);  // past track 35, with a speed map
    disk.tracks[70].zoneMap.assign(1501, 0x1B);
    const std::vector<uint8_t> file = G64FromGcrDisk(disk);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "GCR-1541");
    GcrDisk back;
    std::string problem;
    ASSERT_TRUE(GcrDiskFromG64(file, &back, &problem)) << problem;
    EXPECT_TRUE(back.tracks[70].zoneMap == disk.tracks[70].zoneMap);
    EXPECT_TRUE(G64FromGcrDisk(back) == file) << "every track, zone and map as it was";

    struct Bad {
        const char* what;
        size_t at;         // a byte changed, or the file cut here when value < 0
        int value;
        const char* problem;
    } bads[] = {
        {"signature", 3, 'X', "not a G64 image"},
        {"version", 8, 1, "G64 version 1 is not known"},
        {"too many half-tracks", 9, 85, "G64 image with 85 half-tracks (84 at most)"},
        {"cut in the tables", 100, -1, "G64 image cut short in its tables"},
        {"offset past the end", 12 + 3, 0x7F, "G64 half-track 0: its offset points past the end"},
        {"cut in a track", 2000, -1, "G64 half-track 0: its bytes run past the end"},
    };
    for (const Bad& b : bads) {
        std::vector<uint8_t> broken = file;
        if (b.value < 0)
            broken.resize(b.at);
        else
            broken[b.at] = static_cast<uint8_t>(b.value);
        GcrDisk untouched;
        EXPECT_FALSE(GcrDiskFromG64(broken, &untouched, &problem)) << b.what;
        EXPECT_EQ(problem, b.problem);
        EXPECT_TRUE(untouched.tracks[0].bytes.empty());
    }
}

}  // namespace
