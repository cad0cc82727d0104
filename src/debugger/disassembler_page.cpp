// Page 1: sixteen listed instructions, the registers, the breakpoint, and
// the execution keys.
#include <cstdio>
#include <initializer_list>

#include "cpu/registers.h"
#include "debugger/debugger.h"
#include "debugger/debugger_text.h"
#include "debugger/page_frame.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "platform/setup.h"
#include "ui/text.h"

namespace {

constexpr int ListingLines = 16;

// One visit to the page.  The listing wraps from 0xFFFF to 0x0000, as the
// processor's program counter does.
struct ListingView {
    uint16_t start;
    uint16_t secondLine;
    uint16_t afterLast;
};

void DrawDisassemblerFrame()
{
    ClearMenuWindow();
    DrawPageTitle("DISASSEMBLER");
    constexpr KeyName keys[] = {{0, "F5"}, {7, "F6"}, {19, "F7"}, {26, "F8"}, {34, "B"}};
    DrawPageFooter("F5-JMP F6-SET BKPT F7-JSR F8-STEP B-BKPT", keys, 5);
}

void DrawListing(ListingView& view)
{
    uint16_t a = view.start;
    for (int i = 0; i < ListingLines; i++) {
        const uint8_t row = static_cast<uint8_t>(i + 2);
        DrawText(0, row, a == Cpu.PC ? ">" : " ", TextInk, Black);
        if (i == 1)
            view.secondLine = a;
        char address[8];
        std::snprintf(address, sizeof address, "%04X", static_cast<unsigned>(a));
        DrawText(1, row, address, TextInk, Black);
        char text[InstructionTextLength + 1];
        a = static_cast<uint16_t>(a + DisassembleAt(a, text));
        DrawText(6, row, text, TextInk, Black);
    }
    view.afterLast = a;
}

void DrawMachineState()
{
    DrawRegisterLines(19);
    char text[40];
    std::snprintf(text, sizeof text, "BREAKPOINT: %04X %s", static_cast<unsigned>(Breakpoint),
                  BreakpointEnabled ? "ENABLED " : "DISABLED");
    DrawText(0, 22, text, BreakpointEnabled ? 0x75 : 0x45, Black);
    std::snprintf(text, sizeof text, "LASTCYCLE: %02X", static_cast<unsigned>(LastCycle));
    DrawText(27, 19, text, 0x46, Black);
}

// Keys that type a hex digit, in the order 1-9, 0, A-F, with their values.
struct DigitKey {
    uint8_t scanCode;
    uint8_t value;
    char character;
};
constexpr DigitKey AddressDigitKeys[16] = {
    {DIK_1, 1, '1'}, {DIK_2, 2, '2'}, {DIK_3, 3, '3'}, {DIK_4, 4, '4'}, {DIK_5, 5, '5'}, {DIK_6, 6, '6'},
    {DIK_7, 7, '7'}, {DIK_8, 8, '8'}, {DIK_9, 9, '9'}, {DIK_0, 0, '0'}, {DIK_A, 10, 'A'}, {DIK_B, 11, 'B'},
    {DIK_C, 12, 'C'}, {DIK_D, 13, 'D'}, {DIK_E, 14, 'E'}, {DIK_F, 15, 'F'},
};

// F5: up to four hex digits typed over the first line's address.  Returns
// whether Enter accepted them; the value is then in *address.
bool EnterAddress(uint16_t* address)
{
    char field[5] = "    ";
    uint32_t value = 0;
    int digits = 0;
    bool accepted = false;
    for (;;) {
        WaitVerticalBlank();
        DrawText(1, 2, field, TextInk, 0x14);
        PresentMenu();
        if (KeyPressed(DIK_ESCAPE) == 1)
            break;
        if (KeyPressed(DIK_RETURN) == 1) {
            accepted = true;
            break;
        }
        if (KeyPressed(DIK_BACK) == 1 && digits > 0) {
            value /= 16;
            field[--digits] = ' ';
            WaitKeyRelease(DIK_BACK);
        }
        for (const DigitKey& key : AddressDigitKeys) {
            if (digits < 4 && KeyPressed(key.scanCode) == 1) {
                field[digits++] = key.character;
                value = value * 16 + key.value;
                WaitKeyRelease(key.scanCode);
            }
        }
    }
    // Escape must not also leave the page.
    WaitVerticalBlank();
    WaitWhileKeyHeld(DIK_ESCAPE);
    if (accepted)
        *address = static_cast<uint16_t>(value);
    return accepted;
}

}  // namespace

int DisassemblerPage()
{
    DrawDisassemblerFrame();
    ListingView view{Cpu.PC, Cpu.PC, Cpu.PC};
    int result = PageDisassembler;
    bool firstPass = true;
    KeyPacer pacer;
    while (result == PageDisassembler) {
        DrawListing(view);
        DrawMachineState();
        PresentMenu();
        if (firstPass) {
            WaitVerticalBlank();
            WaitWhileKeyHeld(DIK_TAB);
            firstPass = false;
        }

        // The stepping and scrolling keys act at once, then repeat.  With
        // Right Shift, F8 is not paced: it steps once per vertical blank.
        const bool rightShift = KeyPressed(DIK_RSHIFT) == 1;
        for (uint8_t key : {DIK_F8, DIK_F7, DIK_DOWN, DIK_UP, DIK_PRIOR, DIK_NEXT})
            if (key != DIK_F8 || !rightShift)
                pacer.Pace(key);

        if (KeyPressed(DIK_F8) == 1) {
            // Right Shift held: one step per vertical blank, no repeat delay.
            const bool fast = KeyPressed(DIK_RSHIFT) == 1;
            SingleStep();
            view.start = Cpu.PC;
            if (fast)
                WaitVerticalBlank();
        }
        if (KeyPressed(DIK_F7) == 1) {
            if (!StepOver())
                WaitWhileKeyHeld(DIK_ESCAPE);   // it stopped the step, not the debugger
            view.start = Cpu.PC;
        }
        if (KeyPressed(DIK_DOWN) == 1)
            view.start = view.secondLine;
        if (KeyPressed(DIK_UP) == 1)
            view.start = static_cast<uint16_t>(view.start - 1);
        if (KeyPressed(DIK_PRIOR) == 1)
            view.start = static_cast<uint16_t>(view.start - 16);
        if (KeyPressed(DIK_NEXT) == 1)
            view.start = view.afterLast;
        if (KeyPressed(DIK_B) == 1) {
            BreakpointEnabled = static_cast<uint8_t>(1 - BreakpointEnabled);
            WaitKeyRelease(DIK_B);
        }
        if (KeyPressed(DIK_F6) == 1)
            Breakpoint = view.start;
        if (KeyPressed(DIK_F5) == 1)
            EnterAddress(&view.start);
        result = ReadPageKeys(result, PageMemoryDump);
    }
    return result;
}
