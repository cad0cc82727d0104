#include "debugger/debugger.h"
#include "debugger/debugger_text.h"
#include "ui/text.h"

void DrawStatusLine()
{
    char text[41];
    FormatStatusLine(text);
    DrawText(0, 0, text, 0x71, 0x5C);
}
