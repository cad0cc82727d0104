#include "debugger/page_frame.h"

#include <cstdio>

#include "debugger/debugger_text.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "platform/setup.h"
#include "ui/text.h"

namespace {

// Bars run the full width of the window.
void DrawBar(uint8_t row, const char* text, uint8_t ink, uint8_t paper)
{
    char bar[41];
    std::snprintf(bar, sizeof bar, "%-40s", text);
    DrawText(0, row, bar, ink, paper);
}

}  // namespace

void DrawPageTitle(const char* title)
{
    DrawBar(0, title, TitleInk, BarPaper);
    DrawText(15, 0, "USE F1-F4 TO CHANGE PAGES", HintInk, BarPaper);
}

void DrawPageFooter(const char* footer, const KeyName* names, int count)
{
    DrawBar(24, footer, FooterInk, FooterPaper);
    for (int i = 0; i < count; i++)
        DrawText(names[i].column, 24, names[i].name, KeyNameInk, FooterPaper);
}

void DrawRegisterLines(uint8_t row)
{
    char line[26];
    FormatRegisterLine(line);
    DrawText(0, row, RegisterHeading, RegisterInk, Black);
    DrawText(0, static_cast<uint8_t>(row + 1), line, RegisterInk, Black);
}

void WaitWhileKeyHeld(uint8_t scanCode)
{
    while (KeyPressed(scanCode) == 1)
        WaitVerticalBlank();
}

bool KeyPacer::Pace(uint8_t scanCode)
{
    const bool held = KeyPressed(scanCode) == 1;
    if (held) {
        if (!heldBefore[scanCode])
            KeyRepeatState = 0;
        KeyRepeat(scanCode);
    }
    heldBefore[scanCode] = held;
    return held;
}

int ReadPageKeys(int page, int tabTarget)
{
    if (KeyPressed(DIK_ESCAPE) == 1) {
        WaitKeyRelease(DIK_ESCAPE);
        page = 0;
    }
    if (KeyPressed(DIK_TAB) == 1)
        page = tabTarget;
    constexpr uint8_t pageKeys[4] = {DIK_F1, DIK_F2, DIK_F3, DIK_F4};
    for (int i = 0; i < 4; i++)
        if (KeyPressed(pageKeys[i]) == 1)
            page = i + 1;
    return page;
}
