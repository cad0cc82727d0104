#include "ui/ui_test_support.h"

#include <cstdio>

#include "machine/machine_state.h"
#include "platform/devices.h"
#include "platform/headless/headless_control.h"
#include "ui/text.h"

bool BootMenuMachine(const std::string& settings)
{
    return BootWithTestGlyphs(settings);
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

}  // namespace

WindowPicture PresentedWindow()
{
    return FromSurface(HeadlessLastPresented());
}

namespace {

char ReadCell(const std::function<uint8_t(int, int)>& pixel, uint8_t ink, uint8_t paper)
{
    uint8_t rows[8];
    bool clean = true;
    for (int y = 0; y < 8 && clean; y++) {
        rows[y] = 0;
        for (int x = 0; x < 8; x++) {
            uint8_t p = pixel(x, y);
            if (p == ink && ink != paper)
                rows[y] |= static_cast<uint8_t>(0x80 >> x);
            else if (p != paper)
                clean = false;
        }
    }
    bool blank = clean;
    for (int y = 0; y < 8 && blank; y++)
        blank = rows[y] == 0;
    if (blank && ink != paper)
        return '`';
    if (clean && ink == paper)
        return '#';   // ink and paper alike: a solid block
    if (!clean)
        return '?';
    int k = rows[0];
    for (int y = 0; y < 8; y++)
        if (rows[y] != TestGlyphRow(static_cast<uint8_t>(k), y))
            return '?';
    return CharacterOfScreenCode(k);
}

}  // namespace

std::string ReadFrameCells(int column, int row, int count, uint8_t ink, uint8_t paper)
{
    std::string text;
    for (int c = column; c < column + count; c++) {
        uint32_t offset = MenuCellOffset(static_cast<uint8_t>(c), static_cast<uint8_t>(row));
        if (offset + 7 * FrameWidth + 8 > sizeof FrameBuffer) {
            text += '?';
            continue;
        }
        text += ReadCell([offset](int x, int y) { return FrameBuffer[offset + y * FrameWidth + x]; }, ink, paper);
    }
    return text;
}

std::string ReadCells(const WindowPicture& picture, int column, int row, int count, uint8_t ink, uint8_t paper)
{
    std::string text;
    for (int c = column; c < column + count; c++) {
        if (c >= 40 || row >= 25) {
            text += '?';
            continue;
        }
        text += ReadCell([&picture, c, row](int x, int y) { return picture.At(c * 8 + x, row * 8 + y); }, ink, paper);
    }
    return text;
}

void PictureLog::Start()
{
    pictures.clear();
    HeadlessOnPresent([this](const HeadlessFrame& frame) {
        pictures.push_back(FromSurface(frame));
        // The present's own tick comes right after this callback.
        auto range = events.equal_range(pictures.size() - 1);
        for (auto it = range.first; it != range.second; ++it)
            HeadlessAtTick(HeadlessTicks() + 1, it->second);
    });
}

void PictureLog::KeysAt(size_t firstPicture, std::initializer_list<uint8_t> keys)
{
    size_t picture = firstPicture;
    for (uint8_t key : keys) {
        if (key != 0)
            AtPicture(picture, [key] { HeadlessTapKey(key); });
        picture++;
    }
}

void PictureLog::PressAt(size_t picture, uint8_t key)
{
    AtPicture(picture, [key] {
        HeadlessSetKey(key, true);
        HeadlessAtTick(HeadlessTicks() + 2, [key] { HeadlessSetKey(key, false); });
    });
}

void PictureLog::AtPicture(size_t picture, std::function<void()> event)
{
    events.emplace(picture, std::move(event));
}

PictureLog::~PictureLog()
{
    HeadlessOnPresent(nullptr);
}

void TapKeyAt(uint64_t tick, uint8_t scanCode)
{
    HeadlessAtTick(tick, [scanCode] { HeadlessTapKey(scanCode); });
}

void TypeKeys(uint64_t firstTick, std::initializer_list<uint8_t> keys)
{
    uint64_t tick = firstTick;
    for (uint8_t key : keys) {
        if (key != 0)
            TapKeyAt(tick, key);
        tick++;
    }
}

void HoldKeyBetween(uint64_t downTick, uint64_t upTick, uint8_t scanCode)
{
    HeadlessAtTick(downTick, [scanCode] { HeadlessSetKey(scanCode, true); });
    HeadlessAtTick(upTick, [scanCode] { HeadlessSetKey(scanCode, false); });
}
