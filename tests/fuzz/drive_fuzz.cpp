// Drive 8 fed from the input: an image (one of the four sizes, formatted,
// with two files) or a host folder, bytes of the image changed where the
// directory, the BAM and the files lie, then a sequence of opens, data
// bytes, reads, closes, commands and resets through drive.h.  Every read
// must end, the error channel must always say "NN,...", and an attached
// image must keep one of the four sizes on the host.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "drive/drive.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr size_t ImageSizes[4] = {174848, 175531, 196608, 197376};

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::vector<uint8_t> Bytes(size_t n)
    {
        std::vector<uint8_t> bytes;
        while (n-- && at < size)
            bytes.push_back(data[at++]);
        return bytes;
    }
};

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    WriteFuzzFile(path.c_str(), bytes.data(), bytes.size());
}

void Send(uint8_t channel, const std::vector<uint8_t>& bytes)
{
    for (uint8_t b : bytes)
        DriveListenByte(channel, b);
    DriveEndListen(channel);
}

// Reads a channel to its end; no channel may send for ever.
std::vector<uint8_t> Drain(uint8_t channel)
{
    std::vector<uint8_t> bytes;
    uint8_t byte;
    bool last = false;
    while (!last && DriveTalkByte(channel, &byte, &last)) {
        bytes.push_back(byte);
        if (bytes.size() > (32u << 20))
            std::abort();
    }
    return bytes;
}

void CheckErrorChannel()
{
    std::vector<uint8_t> message = Drain(15);
    if (message.size() < 4 || message[0] < '0' || message[0] > '9' || message[2] != ',' || message.back() != '\r')
        std::abort();
}

// A formatted image of each size with two files, made once by the drive.
const std::vector<uint8_t>& BaseImage(size_t size)
{
    static std::map<size_t, std::vector<uint8_t>> made;
    auto found = made.find(size);
    if (found != made.end())
        return found->second;
    WriteAll("base.d64", std::vector<uint8_t>(size, 0));
    if (!DriveAttach("base.d64", nullptr))
        std::abort();
    const std::string format = "N0:FUZZ DISK,FZ";
    DriveOpen(15, reinterpret_cast<const uint8_t*>(format.data()), format.size());
    for (const char* name : {"FIRST", "SECOND,S,W"}) {
        DriveOpen(2, reinterpret_cast<const uint8_t*>(name), std::strlen(name));
        Send(2, std::vector<uint8_t>(600, 0x2A));
        DriveClose(2);
    }
    DriveDetach();
    return made[size] = ReadAll("base.d64");
}

// Offsets where damage matters most: the BAM and directory sectors (track
// 18 starts at byte 91,392) and the first sectors of the disk.
size_t Target(Input& in, size_t imageSize)
{
    uint8_t where = in.Byte();
    size_t offset = in.Byte() | static_cast<size_t>(in.Byte()) << 8;
    size_t base = (where & 1) ? 91392 : (where & 2) ? 0 : static_cast<size_t>(where) * 700;
    return (base + offset % 5120) % imageSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDirectory();
    Input in{data, size};
    uint8_t setup = in.Byte();
    DriveDetach();
    DriveReset();
    bool folder = setup & 0x80;
    size_t imageSize = ImageSizes[setup & 3];
    if (folder) {
        std::error_code ec;
        std::filesystem::remove_all("folder", ec);
        std::filesystem::create_directory("folder", ec);
        WriteAll("folder/one.prg", {0x01, 0x10, 0x00});
        WriteAll("folder/Two.SEQ", {'A', '\r'});
        std::filesystem::create_directory("folder/dir.prg", ec);
        if (!DriveAttach("folder", nullptr))
            std::abort();
    } else {
        std::vector<uint8_t> image = BaseImage(imageSize);
        // Changes: count, then target and value for each.
        for (int n = in.Byte() % 32; n > 0; n--) {
            size_t offset = Target(in, imageSize);
            image[offset] = in.Byte();
        }
        WriteAll("fuzz.d64", image);
        if (!DriveAttach("fuzz.d64", nullptr))
            std::abort();
    }

    for (int ops = 0; in.More() && ops < 64; ops++) {
        uint8_t op = in.Byte();
        uint8_t channel = in.Byte() & 0x0F;
        switch (op % 9) {
        case 0:
        case 1: {
            std::vector<uint8_t> name = in.Bytes(in.Byte() % 24);
            DriveOpen(channel, name.data(), name.size());
            break;
        }
        case 2: Send(channel, in.Bytes(in.Byte())); break;
        case 3: Drain(channel); break;
        case 4: DriveClose(channel); break;
        case 5: {
            std::vector<uint8_t> command = in.Bytes(in.Byte() % 70);
            Send(15, command);
            break;
        }
        case 6: DriveReset(); break;
        case 7: {
            DriveDirectory directory;
            if (DriveReadDirectory(&directory)) {
                std::vector<uint8_t> bytes;
                for (const DriveDirectoryEntry& entry : directory.entries)
                    DriveReadFile(entry.name, &bytes);
                if (directory.diskId.size() != 2)
                    std::abort();
            }
            break;
        }
        case 8: CheckErrorChannel(); break;
        }
    }
    CheckErrorChannel();
    DriveReset();
    if (!folder) {
        struct stat info;
        if (stat("fuzz.d64", &info) != 0 || static_cast<size_t>(info.st_size) != imageSize)
            std::abort();
    }
    DriveDetach();
    return 0;
}
