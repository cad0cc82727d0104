// Page 2: sixteen rows of eight bytes, in hex and as characters.
#include <cstdio>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger/debugger_text.h"
#include "debugger/page_frame.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "platform/setup.h"
#include "ted/memory_map.h"
#include "ui/text.h"

uint16_t DumpAddress = 0;
uint8_t DumpLock = 0;

namespace {

constexpr int DumpRows = 16;
constexpr int32_t LastPageAddress = 0xFF80;   // the keys never go beyond

void DrawDumpFrame()
{
    ClearMenuWindow();
    DrawPageTitle("MEMORY DUMP");
    constexpr KeyName keys[] = {{0, "ESC"}, {10, "T"}, {17, "L"}, {25, "TAB"}};
    DrawPageFooter("ESC-BACK  T-TED  L-LOCK  TAB-TED DUMP", keys, 4);
    // Drawn once: the machine does not run while the page is open.
    DrawRegisterLines(19);
}

// The view starting at a (rounded down to a row of 8).  A view starting
// above 0xFF80 runs past 0xFFFF: its labels go on to 10000 and more (the
// first byte then covers the colon) and its bytes wrap to 0x0000.
void DrawDump(int32_t a)
{
    const int32_t start = a & ~7;
    const uint8_t labelInk = static_cast<uint8_t>(0x71 + DumpLock);
    for (int r = 0; r < DumpRows; r++) {
        const int32_t rowAddress = start + 8 * r;
        const uint8_t row = static_cast<uint8_t>(2 + r);
        char text[8];
        std::snprintf(text, sizeof text, "%04X:", static_cast<unsigned>(rowAddress));
        DrawText(0, row, text, labelInk, Black);
        for (int i = 0; i < 8; i++) {
            uint8_t value = ReadByte(static_cast<uint16_t>(rowAddress + i));
            std::snprintf(text, sizeof text, "%02X", value);
            DrawText(static_cast<uint8_t>(5 + 3 * i), row, text, TextInk, Black);
            // Dark glyphs on a light field.
            DrawScreenCode(static_cast<uint8_t>(31 + i), row, DumpCharacterCode(value), 0x71, 0x00);
        }
    }
}

}  // namespace

int MemoryDumpPage()
{
    DrawDumpFrame();
    int32_t a = DumpLock == 1 ? DumpAddress : Cpu.PC;
    int page = PageMemoryDump;
    bool firstPass = true;
    while (page == PageMemoryDump) {
        DrawDump(a);
        PresentMenu();
        if (firstPass) {
            WaitWhileKeyHeld(DIK_TAB);   // the Tab that brought us here
            firstPass = false;
        }
        WaitVerticalBlank();

        if (KeyPressed(DIK_DOWN) == 1) {
            if (a < LastPageAddress)
                a += 8;
            WaitVerticalBlank();
        }
        if (KeyPressed(DIK_UP) == 1) {
            if (a > 7)
                a -= 8;
            WaitVerticalBlank();
        }
        if (KeyPressed(DIK_NEXT) == 1) {
            a = a + 0x80 > LastPageAddress ? LastPageAddress : a + 0x80;
            WaitVerticalBlank();
            WaitVerticalBlank();
        }
        if (KeyPressed(DIK_PRIOR) == 1) {
            a = a < 0x80 ? 0 : a - 0x80;
            WaitVerticalBlank();
            WaitVerticalBlank();
        }
        if (KeyPressed(DIK_HOME) == 1)
            a = 0;
        if (KeyPressed(DIK_END) == 1)
            a = LastPageAddress;
        if (KeyPressed(DIK_T) == 1)
            a = 0xFF00;   // the TED registers
        if (KeyPressed(DIK_L) == 1) {
            DumpLock = static_cast<uint8_t>(1 - DumpLock);
            if (DumpLock == 1)
                DumpAddress = static_cast<uint16_t>(a);
            WaitWhileKeyHeld(DIK_L);
        }
        page = ReadPageKeys(page, PageTedDump);
    }
    DumpAddress = static_cast<uint16_t>(a);
    return page;
}
