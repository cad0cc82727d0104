// Pages 3 and 4: the TED's state decoded, and the processor's registers
// edited digit by digit.
#include <initializer_list>

#include "debugger/debugger.h"
#include "debugger/debugger_text.h"
#include "debugger/page_frame.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "platform/setup.h"
#include "ted/memory_map.h"
#include "ui/text.h"

namespace {

// Tab leads from each page to the next: 1, 2, 3, 4, then back to 1.
constexpr int TedDumpTabTarget = PageRegisters;

void DrawTedDumpColourLabels()
{
    // Each colour's label again, in the colour it names.
    constexpr struct {
        uint8_t column, row;
        const char* label;
        uint16_t reg;
    } labels[] = {
        {6, 14, "#0", 0xFF15}, {9, 14, "#1", 0xFF16}, {12, 14, "#2", 0xFF17},
        {15, 14, "#3", 0xFF18}, {13, 15, "#4", 0xFF19},
    };
    for (const auto& l : labels)
        DrawText(l.column, l.row, l.label, ReadByte(l.reg), Black);
}

// The hex digit keys with their values, in the order 0-9, A-F.
constexpr uint8_t HexDigitKeys[16] = {
    DIK_0, DIK_1, DIK_2, DIK_3, DIK_4, DIK_5, DIK_6, DIK_7,
    DIK_8, DIK_9, DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F,
};

constexpr int LastEditPosition = EditPositionCount - 1;

void DrawValueLine(int position)
{
    char line[26];
    FormatRegisterLine(line);
    DrawText(0, 3, line, RegisterInk, Black);
    // The digit under the edit position stands out.
    const char digit[2] = {"0123456789ABCDEF"[EditDigit(position)], 0};
    DrawText(EditPositionTable[position].column, 3, digit, 0x71, 0x14);
}

void DrawSampleOutput()
{
    char text[41];
    FormatDigiVolumeLine(text);
    DrawText(0, 5, text, RegisterInk, Black);
    FormatDigiChannelsLine(text);
    DrawText(0, 6, text, RegisterInk, Black);
    FormatDigiLevelLine(text);
    DrawText(0, 7, text, RegisterInk, Black);
    FormatSoundControlLine(text);
    DrawText(18, 5, text, RegisterInk, Black);
}

}  // namespace

int TedDumpPage()
{
    ClearMenuWindow();
    DrawPageTitle("TED DUMP #1");
    constexpr KeyName keys[] = {{0, "ESC"}, {10, "TAB"}};
    DrawPageFooter("ESC-BACK  TAB-REGISTERS", keys, 2);

    // One still picture: the machine does not run while the page is open.
    TedDumpLine lines[TedDumpLineCount];
    BuildTedDumpLines(lines);
    for (const TedDumpLine& line : lines)
        DrawText(0, line.row, line.text, line.ink, Black);
    DrawTedDumpColourLabels();
    PresentMenu();
    WaitWhileKeyHeld(DIK_TAB);

    int result = PageTedDump;
    while (result == PageTedDump) {
        WaitVerticalBlank();
        result = ReadPageKeys(result, TedDumpTabTarget);
    }
    return result;
}

int RegistersPage()
{
    ClearMenuWindow();
    DrawPageTitle("REGISTERS");
    constexpr KeyName keys[] = {{0, "ESC"}, {10, "TAB"}};
    DrawPageFooter("ESC-BACK  TAB-DISASSEMBLER", keys, 2);
    DrawRegisterLines(2);
    PresentMenu();
    WaitWhileKeyHeld(DIK_TAB);

    int position = 0;
    int result = PageRegisters;
    KeyPacer pacer;
    while (result == PageRegisters) {
        DrawValueLine(position);
        DrawSampleOutput();
        PresentMenu();

        for (uint8_t key : {DIK_LEFT, DIK_RIGHT})
            pacer.Pace(key);
        for (uint8_t key : HexDigitKeys)
            pacer.Pace(key);

        if (KeyPressed(DIK_RIGHT) == 1 && position < LastEditPosition)
            position++;
        if (KeyPressed(DIK_LEFT) == 1 && position > 0)
            position--;
        for (int d = 0; d < 16; d++) {
            if (KeyPressed(HexDigitKeys[d]) != 1)
                continue;
            // Changes reach the processor at once.
            TypeEditDigit(position, static_cast<uint8_t>(d));
            if (position < LastEditPosition)
                position++;
        }
        WaitVerticalBlank();
        result = ReadPageKeys(result, PageDisassembler);
    }
    return result;
}
