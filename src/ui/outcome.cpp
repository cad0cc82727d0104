#include "ui/outcome.h"

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "platform/setup.h"

namespace {

constexpr Label PressEnter = {0, 20, "        PRESS ENTER TO CONTINUE!        ", 0x71, 0x00};
constexpr Label PressEnterKey = {14, 20, "ENTER", 0x4F, 0x00};

}  // namespace

void WaitForEnterToContinue()
{
    Draw(PressEnter);
    Draw(PressEnterKey);
    PresentMenu();
    // A vertical blank between reads, as the keyboard's own waits do: the
    // processor is not spun and time moves on for the headless machine.
    while (KeyPressed(DIK_RETURN) == 0)
        WaitVerticalBlank();
    WaitKeyRelease(DIK_RETURN);
}
