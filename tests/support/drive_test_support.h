// The drive tests' own view of a D64 image, written apart from the drive's
// code so that each checks the other: it makes images (blank, or with files
// laid out simply from track 1 upwards), reads directories and files back,
// and checks the BAM against the chains.  And the drive driven as the bus
// drives it: open, bytes, close, the error channel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TestEntry {
    std::string name;   // PETSCII bytes as chars
    uint8_t typeByte;
    uint8_t track, sector;
    uint16_t blocks;
};

struct TestDisk {
    std::vector<uint8_t> bytes;
    int tracks = 35;

    static TestDisk Blank(int tracks = 35, bool errorBytes = false);
    static TestDisk FromFile(const std::string& path);
    void Save(const std::string& path) const;

    uint8_t* Sector(int track, int sector);
    const uint8_t* Sector(int track, int sector) const;
    // Lays a file out on free sectors from track 1 upwards and lists it.
    void AddFile(const std::string& name, const std::vector<uint8_t>& data, uint8_t typeByte = 0x82);
    std::vector<TestEntry> Directory() const;
    // The file's bytes by its chain; stops after 800 sectors.
    std::vector<uint8_t> ReadFile(const std::string& name) const;
    int BlocksFree() const;
    // Empty when each track's count matches its bits and exactly the sectors
    // of the directory and the files' chains are marked used.
    std::string BamProblems() const;
};

// The drive driven as the bus drives it.
void Open(uint8_t channel, const std::string& name);
void Send(uint8_t channel, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Receive(uint8_t channel, size_t limit = 1 << 20);
// A command on channel 15 (sent as bytes, then UNLISTEN).
void Command(const std::string& text);
// The error channel's message, without the carriage return.
std::string Status();
// Saves on channel 1 as SAVE does; returns the status afterwards.
std::string SaveFile(const std::string& name, const std::vector<uint8_t>& bytes);
// Loads on channel 0 as LOAD does; the status goes to *status.
std::vector<uint8_t> LoadFile(const std::string& name, std::string* status = nullptr);
std::vector<uint8_t> Bytes(const std::string& text);
