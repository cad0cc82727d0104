#include <cstdio>

#include "files/safe_save.h"
#include "runner.h"

namespace {

void PutLittleEndian(std::FILE* file, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

bool WriteWav(const char* path, const std::vector<int16_t>& samples, uint32_t rate)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, file);
    PutLittleEndian(file, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, file);
    PutLittleEndian(file, 16, 4);          // format chunk size
    PutLittleEndian(file, 1, 2);           // PCM
    PutLittleEndian(file, 1, 2);           // mono
    PutLittleEndian(file, rate, 4);
    PutLittleEndian(file, rate * 2, 4);    // bytes per second
    PutLittleEndian(file, 2, 2);           // block alignment
    PutLittleEndian(file, 16, 2);          // bits per sample
    std::fwrite("data", 1, 4, file);
    PutLittleEndian(file, dataBytes, 4);
    for (int16_t sample : samples)
        PutLittleEndian(file, static_cast<uint16_t>(sample), 2);
    bool ok = !std::ferror(file);
    return std::fclose(file) == 0 && ok;
}

}  // namespace

bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate)
{
    return SaveFileReplacingVia(path.c_str(), [&](const char* temporary) { return WriteWav(temporary, samples, rate); });
}
