// DrawCursor: the cell at 0xFF0C/0xFF0D swaps background and the cell's
// colour, blinking with the flash phase, moved by both scrolls.
#include <cstring>
#include <vector>

#include "ted_fixture.h"

namespace {

using CursorTest = TedTest;

TEST_F(CursorTest, CursorCellSwapsBackgroundAndCellColour)
{
    struct Case {
        const char* name;
        uint8_t ff06, ff07, flashPhase;
        uint16_t position;
        bool drawn;
    } cases[] = {
        {"row 2, column 5", 0x1B, 0x08, 1, 85, true},
        {"off phase", 0x1B, 0x08, 0, 85, false},
        {"position 1000", 0x1B, 0x08, 1, 1000, false},
        {"position 0x3FF", 0x1B, 0x08, 1, 0x3FF, false},
        {"38 columns, column 0", 0x1B, 0x00, 1, 80, false},
        {"38 columns, column 39", 0x1B, 0x00, 1, 119, false},
        {"38 columns, column 1", 0x1B, 0x00, 1, 81, true},
        {"display blanked", 0x0B, 0x08, 1, 85, false},
        {"vs 5 moves it down two lines", 0x1D, 0x08, 1, 24 * 40 + 7, true},
        {"vs 0 moves it up three lines", 0x18, 0x08, 1, 40 + 7, true},
        {"hs 3 moves it right", 0x1B, 0x0B, 1, 39, true},
        {"24 rows: only the window's lines", 0x13, 0x08, 1, 3, true},
        {"bitmap mode: no text lines", 0x3B, 0x08, 1, 85, false},
    };
    const uint8_t background = 0x71;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ram64[0xFF06] = c.ff06;
        Ram64[0xFF07] = c.ff07;
        Ram64[0xFF12] = 0x00;
        Ram64[0xFF13] = 0x20;
        Ram64[0xFF14] = 0x08;   // matrix 0x0C00, attributes 0x0800
        Ram64[0xFF15] = background;
        Ram64[0xFF0C] = static_cast<uint8_t>(0xFC | (c.position >> 8));
        Ram64[0xFF0D] = static_cast<uint8_t>(c.position);
        for (int i = 0; i < 0x800; i++)
            Ram64[0x2000 + i] = static_cast<uint8_t>(i * 29);
        for (int i = 0; i < 1000; i++) {
            Ram64[0x0C00 + i] = static_cast<uint8_t>(i);
            Ram64[0x0800 + i] = static_cast<uint8_t>(0x30 + (i & 7));
        }
        Ted.FlashPhase = 1;   // draw the characters, then choose the phase
        RenderLines(0, 311);
        Ted.FlashPhase = c.flashPhase;
        std::vector<uint8_t> before(FrameBuffer, FrameBuffer + sizeof FrameBuffer);

        DrawCursor();

        const int row = c.position / 40, col = c.position % 40;
        const int vs = c.ff06 & 7, hs = c.ff07 & 7;
        const uint8_t colour = Ram64[0x0800 + c.position % 1000];
        const bool textRows24 = !(c.ff06 & 0x08);
        int changed = 0;
        for (int line = 0; line < FrameLines; line++) {
            for (int x = 0; x < FrameWidth; x++) {
                const int j = line - (56 + 8 * row + vs - 3);
                const int source = 56 + 8 * row + j;
                const bool inCell = c.drawn && j >= 0 && j < 8 && x >= 64 + 8 * col + hs &&
                                    x < 72 + 8 * col + hs && line >= 56 && line <= 255 &&
                                    (!textRows24 || (source >= 60 && source <= 252));
                const uint8_t old = before[line * FrameWidth + x];
                const uint8_t expected = inCell ? (old == background ? colour : background) : old;
                ASSERT_EQ(Pixel(line, x), expected) << line << "," << x;
                changed += Pixel(line, x) != old;
            }
        }
        if (c.drawn) {
            EXPECT_GT(changed, 0);
        }
    }
}

}  // namespace
