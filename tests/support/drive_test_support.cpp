#include "support/drive_test_support.h"

#include <fstream>
#include <iterator>

#include "drive/drive.h"

namespace {

int SectorsOf(int track)
{
    return track <= 17 ? 21 : track <= 24 ? 19 : track <= 30 ? 18 : 17;
}

size_t OffsetOf(int track, int sector)
{
    size_t index = 0;
    for (int t = 1; t < track; t++)
        index += static_cast<size_t>(SectorsOf(t));
    return (index + static_cast<size_t>(sector)) * 256;
}

// The BAM bytes of a track: count and three bytes of bits (set = free).
size_t BamOffset(int track)
{
    return track <= 35 ? static_cast<size_t>(4 * track) : static_cast<size_t>(0xC0 + 4 * (track - 36));
}

bool Free(const TestDisk& disk, int track, int sector)
{
    const uint8_t* bam = disk.Sector(18, 0) + BamOffset(track);
    return bam[1 + sector / 8] >> (sector % 8) & 1;
}

void Use(TestDisk& disk, int track, int sector)
{
    uint8_t* bam = disk.Sector(18, 0) + BamOffset(track);
    bam[1 + sector / 8] &= static_cast<uint8_t>(~(1 << (sector % 8)));
    bam[0]--;
}

// The sectors of a chain, at most 800.
std::vector<std::pair<int, int>> Chain(const TestDisk& disk, int track, int sector)
{
    std::vector<std::pair<int, int>> chain;
    while (track != 0 && chain.size() < 800 && track <= disk.tracks && sector < SectorsOf(track)) {
        chain.push_back({track, sector});
        const uint8_t* s = disk.Sector(track, sector);
        track = s[0];
        sector = s[1];
    }
    return chain;
}

}  // namespace

TestDisk TestDisk::Blank(int tracks, bool errorBytes)
{
    TestDisk disk;
    disk.tracks = tracks;
    size_t sectors = tracks == 40 ? 768 : 683;
    disk.bytes.assign(sectors * 256 + (errorBytes ? sectors : 0), 0);
    uint8_t* bam = disk.Sector(18, 0);
    bam[0] = 18;
    bam[1] = 1;
    bam[2] = 'A';
    for (int t = 1; t <= tracks; t++) {
        uint8_t* entry = bam + BamOffset(t);
        entry[0] = static_cast<uint8_t>(SectorsOf(t));
        for (int s = 0; s < SectorsOf(t); s++)
            entry[1 + s / 8] |= static_cast<uint8_t>(1 << (s % 8));
    }
    Use(disk, 18, 0);
    Use(disk, 18, 1);
    const std::string name = "TEST DISK";
    for (int i = 0; i < 16; i++)
        bam[0x90 + i] = i < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[i]) : 0xA0;
    bam[0xA0] = bam[0xA1] = bam[0xA4] = 0xA0;
    bam[0xA2] = 'T';
    bam[0xA3] = 'D';
    bam[0xA5] = '2';
    bam[0xA6] = 'A';
    disk.Sector(18, 1)[1] = 0xFF;
    return disk;
}

TestDisk TestDisk::FromFile(const std::string& path)
{
    TestDisk disk;
    std::ifstream in(path, std::ios::binary);
    disk.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    disk.tracks = disk.bytes.size() >= 196608 ? 40 : 35;
    return disk;
}

void TestDisk::Save(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint8_t* TestDisk::Sector(int track, int sector)
{
    return bytes.data() + OffsetOf(track, sector);
}

const uint8_t* TestDisk::Sector(int track, int sector) const
{
    return bytes.data() + OffsetOf(track, sector);
}

void TestDisk::AddFile(const std::string& name, const std::vector<uint8_t>& data, uint8_t typeByte)
{
    size_t count = data.empty() ? 1 : (data.size() + 253) / 254;
    std::vector<std::pair<int, int>> sectors;
    for (int t = 1; t <= tracks && sectors.size() < count; t++)
        for (int s = 0; t != 18 && s < SectorsOf(t) && sectors.size() < count; s++)
            if (Free(*this, t, s))
                sectors.push_back({t, s});
    for (size_t i = 0; i < sectors.size(); i++) {
        auto [t, s] = sectors[i];
        Use(*this, t, s);
        uint8_t* sector = Sector(t, s);
        size_t from = i * 254, length = std::min<size_t>(254, data.size() - from);
        std::copy(data.begin() + static_cast<long>(from), data.begin() + static_cast<long>(from + length), sector + 2);
        sector[0] = i + 1 < sectors.size() ? static_cast<uint8_t>(sectors[i + 1].first) : 0;
        sector[1] = i + 1 < sectors.size() ? static_cast<uint8_t>(sectors[i + 1].second) : static_cast<uint8_t>(length + 1);
    }
    // The first unused entry of directory sector 18/1.
    uint8_t* directory = Sector(18, 1);
    for (int k = 0; k < 8; k++) {
        uint8_t* e = directory + 32 * k;
        if (e[2] != 0)
            continue;
        e[2] = typeByte;
        e[3] = static_cast<uint8_t>(sectors[0].first);
        e[4] = static_cast<uint8_t>(sectors[0].second);
        for (int i = 0; i < 16; i++)
            e[5 + i] = i < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[i]) : 0xA0;
        e[30] = static_cast<uint8_t>(count);
        e[31] = static_cast<uint8_t>(count >> 8);
        return;
    }
}

std::vector<TestEntry> TestDisk::Directory() const
{
    std::vector<TestEntry> entries;
    for (auto [t, s] : Chain(*this, 18, 1))
        for (int k = 0; k < 8; k++) {
            const uint8_t* e = Sector(t, s) + 32 * k;
            if (e[2] == 0)
                continue;
            std::string name(e + 5, e + 21);
            while (!name.empty() && static_cast<uint8_t>(name.back()) == 0xA0)
                name.pop_back();
            entries.push_back({name, e[2], e[3], e[4], static_cast<uint16_t>(e[30] | e[31] << 8)});
        }
    return entries;
}

std::vector<uint8_t> TestDisk::ReadFile(const std::string& name) const
{
    std::vector<uint8_t> data;
    for (const TestEntry& entry : Directory()) {
        if (entry.name != name)
            continue;
        for (auto [t, s] : Chain(*this, entry.track, entry.sector)) {
            const uint8_t* sector = Sector(t, s);
            int last = sector[0] == 0 ? sector[1] : 255;
            data.insert(data.end(), sector + 2, sector + last + 1);
        }
        break;
    }
    return data;
}

int TestDisk::BlocksFree() const
{
    int free = 0;
    for (int t = 1; t <= tracks; t++)
        if (t != 18)
            for (int s = 0; s < SectorsOf(t); s++)
                free += Free(*this, t, s) ? 1 : 0;
    return free;
}

std::string TestDisk::BamProblems() const
{
    std::vector<std::vector<bool>> used(static_cast<size_t>(tracks + 1));
    for (int t = 1; t <= tracks; t++)
        used[static_cast<size_t>(t)].assign(static_cast<size_t>(SectorsOf(t)), false);
    used[18][0] = true;
    for (auto [t, s] : Chain(*this, 18, 1))
        used[static_cast<size_t>(t)][static_cast<size_t>(s)] = true;
    for (const TestEntry& entry : Directory())
        for (auto [t, s] : Chain(*this, entry.track, entry.sector))
            used[static_cast<size_t>(t)][static_cast<size_t>(s)] = true;
    std::string problems;
    for (int t = 1; t <= tracks; t++) {
        int bits = 0;
        for (int s = 0; s < SectorsOf(t); s++) {
            bits += Free(*this, t, s) ? 1 : 0;
            if (Free(*this, t, s) == used[static_cast<size_t>(t)][static_cast<size_t>(s)])
                problems += " " + std::to_string(t) + "/" + std::to_string(s) + (Free(*this, t, s) ? " used but free" : " free but used");
        }
        if (Sector(18, 0)[BamOffset(t)] != bits)
            problems += " track " + std::to_string(t) + " count";
    }
    return problems;
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

void Open(uint8_t channel, const std::string& name)
{
    DriveOpen(channel, reinterpret_cast<const uint8_t*>(name.data()), name.size());
}

void Send(uint8_t channel, const std::vector<uint8_t>& bytes)
{
    for (uint8_t b : bytes)
        DriveListenByte(channel, b);
    DriveEndListen(channel);
}

std::vector<uint8_t> Receive(uint8_t channel, size_t limit)
{
    std::vector<uint8_t> bytes;
    uint8_t byte;
    bool last = false;
    while (!last && bytes.size() < limit && DriveTalkByte(channel, &byte, &last))
        bytes.push_back(byte);
    return bytes;
}

void Command(const std::string& text)
{
    Send(15, Bytes(text));
}

std::string Status()
{
    std::vector<uint8_t> bytes = Receive(15, 100);
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    return std::string(bytes.begin(), bytes.end());
}

std::string SaveFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    Open(1, name);
    Send(1, bytes);
    DriveClose(1);
    return Status();
}

std::vector<uint8_t> LoadFile(const std::string& name, std::string* status)
{
    Open(0, name);
    std::vector<uint8_t> bytes = Receive(0);
    DriveClose(0);
    std::string text = Status();
    if (status)
        *status = text;
    return bytes;
}
