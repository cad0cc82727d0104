#include "debugger/debugger_text.h"

namespace {

// Comments for 0xFF00-0xFF1F, in register order.
constexpr const char* TedRegisterComments[32] = {
    ";TIMER1 LO   ", ";TIMER1 HI   ", ";TIMER2 LO   ", ";TIMER2 HI   ",
    ";TIMER3 LO   ", ";TIMER3 HI   ", ";Y SCROLL    ", ";X SCROLL    ",
    ";KEYBRD FLAGS", ";INT REQ     ", ";INT ENA     ", ";RASTER      ",
    ";CURSOR HI   ", ";CURSOR LO   ", ";OSC1 LO     ", ";OSC2 LO     ",
    ";OSC2 HI     ", ";SND CONTROL ", ";OSC1 HI/GFX ", ";CHR GEN/SLOW",
    ";VIDEO MATRIX", ";COLOR #0    ", ";COLOR #1    ", ";COLOR #2    ",
    ";COLOR #3    ", ";COLOR #4 BRD", ";CURR.CHR HI ", ";CURR.CHR LO ",
    ";CURR.RAST HI", ";CURR.RAST LO", ";HOR.RASTER  ", ";VER.RAS/FLSH",
};

}  // namespace

const char* TedRegisterName(uint16_t address)
{
    if (address >= 0xFF00 && address <= 0xFF1F)
        return TedRegisterComments[address - 0xFF00];
    // Writing either of these switches the ROM windows in or out.
    if (address == 0xFF3E)
        return ";ENABLE ROM  ";
    if (address == 0xFF3F)
        return ";DISABLE ROM ";
    return "             ";
}
