#include "ui/ui_test_support.h"

#include <cstdio>

#include "machine/machine_state.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"

uint8_t TestGlyphRow(uint8_t screenCode, int row)
{
    switch (row) {
    case 0: return screenCode;
    case 1: return static_cast<uint8_t>(~screenCode);
    default: return static_cast<uint8_t>(screenCode * 37 + row * 91 + 0x5A);
    }
}

void InstallTestGlyphs()
{
    for (int k = 0; k < 256; k++)
        for (int row = 0; row < 8; row++)
            KernalRom[0x1000 + 8 * k + row] = TestGlyphRow(static_cast<uint8_t>(k), row);
}

bool BootMenuMachine(const std::string& settings)
{
    std::vector<uint8_t> basic(RomSize, 0x00);
    std::vector<uint8_t> kernal(RomSize, 0xEA);
    kernal[0x3000] = 0x4C;   // 0xF000: JMP 0xF000
    kernal[0x3001] = 0x00;
    kernal[0x3002] = 0xF0;
    kernal[0x3F80] = 0x85;   // PAL
    kernal[0x3FFC] = 0x00;
    kernal[0x3FFD] = 0xF0;
    kernal[0x3FFE] = 0x00;
    kernal[0x3FFF] = 0xF0;
    FILE* f = std::fopen("basic.bin", "wb");
    if (!f) return false;
    std::fwrite(basic.data(), 1, basic.size(), f);
    std::fclose(f);
    f = std::fopen("kernal.bin", "wb");
    if (!f) return false;
    std::fwrite(kernal.data(), 1, kernal.size(), f);
    std::fclose(f);
    f = std::fopen("settings", "wb");
    if (!f) return false;
    std::fwrite(settings.data(), 1, settings.size(), f);
    std::fclose(f);
    if (!BootMachine())
        return false;
    InstallTestGlyphs();
    return true;
}

WindowPicture FrameBufferWindow()
{
    WindowPicture picture;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            picture.pixels[y * 320 + x] = FrameBuffer[(56 + y) * FrameWidth + 64 + x];
    return picture;
}

namespace {

WindowPicture FromSurface(const HeadlessFrame& frame)
{
    WindowPicture picture;
    if (frame.width < 320 || frame.height < 200)
        return picture;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            picture.pixels[y * 320 + x] = frame.At(x, y);
    return picture;
}

char CharacterOfScreenCode(int k)
{
    if (k == 0) return '@';
    if (k >= 1 && k <= 26) return static_cast<char>('A' + k - 1);
    if (k == 27) return '[';
    if (k == 29) return ']';
    if (k >= 32 && k <= 63) return static_cast<char>(k);
    if (k == 77) return '\\';
    if (k == 100) return '_';
    return '?';
}

}  // namespace

WindowPicture PresentedWindow()
{
    return FromSurface(HeadlessLastPresented());
}

std::string ReadCells(const WindowPicture& picture, int column, int row, int count, uint8_t ink, uint8_t paper)
{
    std::string text;
    for (int c = column; c < column + count; c++) {
        uint8_t rows[8];
        bool clean = c < 40 && row < 25;
        for (int y = 0; y < 8 && clean; y++) {
            rows[y] = 0;
            for (int x = 0; x < 8; x++) {
                uint8_t p = picture.At(c * 8 + x, row * 8 + y);
                if (p == ink && ink != paper)
                    rows[y] |= static_cast<uint8_t>(0x80 >> x);
                else if (p != paper)
                    clean = false;
            }
        }
        char found = '?';
        if (clean && ink == paper) {
            // Ink and paper alike: every cell reads as a solid block.
            found = '#';
        } else if (clean) {
            int k = rows[0];
            bool match = true;
            for (int y = 0; y < 8; y++)
                match = match && rows[y] == TestGlyphRow(static_cast<uint8_t>(k), y);
            if (match)
                found = CharacterOfScreenCode(k);
        }
        text += found;
    }
    return text;
}

void PictureLog::Start()
{
    pictures.clear();
    HeadlessOnPresent([this](const HeadlessFrame& frame) { pictures.push_back(FromSurface(frame)); });
}

PictureLog::~PictureLog()
{
    HeadlessOnPresent(nullptr);
}

void TapKeyAt(uint64_t tick, uint8_t scanCode)
{
    HeadlessAtTick(tick, [scanCode] { HeadlessTapKey(scanCode); });
}

void HoldKeyBetween(uint64_t downTick, uint64_t upTick, uint8_t scanCode)
{
    HeadlessAtTick(downTick, [scanCode] { HeadlessSetKey(scanCode, true); });
    HeadlessAtTick(upTick, [scanCode] { HeadlessSetKey(scanCode, false); });
}
