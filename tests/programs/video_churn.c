/* Keeps changing everything the TED's picture depends on, at irregular
   moments within the lines: border and background colours, scrolls, the
   display modes, the character, bitmap and matrix bases, and the bytes of
   the matrix, the attributes, a RAM character set and a bitmap, and the
   three timers, whose counts it copies to the screen.  The
   sequence is pseudo-random with a fixed seed, so every run is the same. */
#include <stdint.h>

#define POKE(a, v) (*(volatile uint8_t*)(a) = (uint8_t)(v))
#define PEEK(a) (*(volatile uint8_t*)(a))

static uint16_t state = 0xACE1u;

static uint8_t next(void)
{
    /* 16-bit Galois LFSR */
    uint8_t lsb = (uint8_t)(state & 1u);
    state >>= 1;
    if (lsb)
        state ^= 0xB400u;
    return (uint8_t)state;
}

int main(void)
{
    uint16_t n;
    uint8_t r, delay;
    for (n = 0;; n++) {
        r = next();
        switch (r & 15) {
        case 0: POKE(0xFF19, next()); break;                        /* border */
        case 1: POKE(0xFF15, next()); break;                        /* backgrounds */
        case 2: POKE(0xFF16 + (next() & 3), next()); break;
        case 3: POKE(0xFF06, next() & 0x7F); break;                 /* modes, rows, vscroll */
        case 4: POKE(0xFF07, next() & 0x9F); break;                 /* mc, columns, hscroll */
        case 5: POKE(0xFF12, (next() & 0x3C) | 0xC0); break;        /* bitmap base, glyph source */
        case 6: POKE(0xFF13, next() & 0xFE); break;                 /* character base, clock */
        case 7: POKE(0xFF14, next() & 0xF8); break;                 /* matrix base */
        case 8:
        case 9: POKE(0x0800 + ((uint16_t)next() << 2) + (next() & 3), next()); break;   /* attributes */
        case 10:
        case 11: POKE(0x0C00 + ((uint16_t)next() << 2) + (next() & 3), next()); break;  /* characters */
        case 12: POKE(0x3000 + ((uint16_t)next() << 3) + (next() & 7), next()); break;  /* RAM glyphs */
        case 13: POKE(0x2000 + ((uint16_t)next() << 5) + (next() & 31), next()); break; /* bitmap */
        case 14:
            /* Back to a readable screen now and then. */
            if ((n & 0x3F) == 0) {
                POKE(0xFF06, 0x1B);
                POKE(0xFF07, 0x08);
                POKE(0xFF12, 0xC4);
                POKE(0xFF13, 0xD0);
                POKE(0xFF14, 0x08);
            }
            break;
        default:
            /* The timers: load, start and stop them, and show what they read. */
            r = next() & 7;
            if (r < 6)
                POKE(0xFF00 + r, next());
            else
                POKE((r == 6 ? 0x0C00 : 0x0800) + next(), PEEK(0xFF00 + next() % 6));
            break;
        }
        for (delay = next() & 15; delay; delay--)
            ;
    }
    return 0;
}
