#include "debugger_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "input/key_codes.h"
#include "machine/machine_state.h"
#include "platform/headless/headless_control.h"

bool BootDebuggerMachine(const std::string& settings, uint16_t resetTarget)
{
    return BootWithTestGlyphs(settings, resetTarget);
}

int CellScreenCode(const WindowPicture& picture, int column, int row, uint8_t ink, uint8_t paper)
{
    if (column < 0 || column >= 40 || row < 0 || row >= 25 || ink == paper)
        return -1;
    uint8_t rows[8];
    for (int y = 0; y < 8; y++) {
        rows[y] = 0;
        for (int x = 0; x < 8; x++) {
            uint8_t p = picture.At(column * 8 + x, row * 8 + y);
            if (p == ink)
                rows[y] |= static_cast<uint8_t>(0x80 >> x);
            else if (p != paper)
                return -1;
        }
    }
    for (int y = 0; y < 8; y++)
        if (rows[y] != TestGlyphRow(rows[0], y))
            return -1;
    return rows[0];
}

std::string ReadCells(const WindowPicture& picture, int column, int row, int count, uint8_t ink, uint8_t paper)
{
    std::string text;
    for (int c = column; c < column + count; c++) {
        int k = CellScreenCode(picture, c, row, ink, paper);
        text += k < 0 ? '?' : CharacterOfScreenCode(k);
    }
    return text;
}

KeyScript::KeyScript(int delay) : tick(HeadlessTicks() + static_cast<uint64_t>(delay)) {}

KeyScript::~KeyScript()
{
    HeadlessClearKeys();
}

void KeyScript::Press(uint8_t scanCode, int gap)
{
    Hold(scanCode, 2, gap);
}

void KeyScript::PressWith(uint8_t modifier, uint8_t scanCode, int gap)
{
    HeadlessAtTick(tick, [modifier] { HeadlessSetKey(modifier, true); });
    tick += 1;
    HeadlessAtTick(tick, [scanCode] { HeadlessSetKey(scanCode, true); });
    HeadlessAtTick(tick + 2, [scanCode, modifier] {
        HeadlessSetKey(scanCode, false);
        HeadlessSetKey(modifier, false);
    });
    tick += 2 + gap;
}

void KeyScript::Hold(uint8_t scanCode, int ticks, int gap)
{
    HeadlessAtTick(tick, [scanCode] { HeadlessSetKey(scanCode, true); });
    HeadlessAtTick(tick + ticks, [scanCode] { HeadlessSetKey(scanCode, false); });
    tick += ticks + gap;
}

void KeyScript::Shot(const std::string& name)
{
    HeadlessAtTick(tick, [this, name] { shots[name] = FrameBufferWindow(); });
    tick += 1;
}

void KeyScript::At(std::function<void()> event)
{
    HeadlessAtTick(tick, std::move(event));
}

void KeyScript::Run(const std::function<void()>& body)
{
    // Long after the script: Escape, again and again, then give up.
    // The net is taken down when the body returns.
    const uint64_t end = tick + 400;
    auto needed = std::make_shared<bool>(false);
    auto armed = std::make_shared<bool>(true);
    for (int i = 0; i < 40; i++) {
        uint64_t at = end + 10 * i;
        HeadlessAtTick(at, [needed, armed] {
            if (!*armed)
                return;
            *needed = true;
            HeadlessSetKey(DIK_ESCAPE, true);
        });
        HeadlessAtTick(at + 3, [armed] {
            if (*armed)
                HeadlessSetKey(DIK_ESCAPE, false);
        });
    }
    HeadlessAtTick(end + 1000, [armed] {
        if (!*armed)
            return;
        std::fprintf(stderr, "the debugger did not return; giving up\n");
        std::_Exit(1);
    });
    body();
    *armed = false;
    safetyNeeded = *needed;
    EXPECT_FALSE(safetyNeeded) << "the script's own keys did not leave the debugger";
}

const WindowPicture& KeyScript::Picture(const std::string& name) const
{
    static const WindowPicture empty;
    auto it = shots.find(name);
    if (it == shots.end()) {
        ADD_FAILURE() << "no picture \"" << name << "\" was taken";
        return empty;
    }
    return it->second;
}
