#!/usr/bin/env python3
"""Draws the open boot ROM's two character sets and writes rom/charset.s.

Ravlin's own glyphs, drawn for the project: letters, digits and signs on a
5 x 7 grid placed in the 8 x 8 cell, and the graphics signs built from
lines, blocks and a few small pictures, in the machine's screen-code order
(128 codes per set; the TED shows codes 128-255 as the reverse of 0-127).

    tools/rom/draw_charset.py > rom/charset.s
"""

# 5 x 7 glyphs: '#' is a lit pixel.
G = {}
def glyph(ch, *rows):
    assert len(rows) == 7 and all(len(r) == 5 for r in rows), ch
    G[ch] = rows

glyph('A', " ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #")
glyph('B', "#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### ")
glyph('C', " ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### ")
glyph('D', "###  ", "#  # ", "#   #", "#   #", "#   #", "#  # ", "###  ")
glyph('E', "#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####")
glyph('F', "#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    ")
glyph('G', " ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####")
glyph('H', "#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #")
glyph('I', " ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### ")
glyph('J', "  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  ")
glyph('K', "#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #")
glyph('L', "#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####")
glyph('M', "#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #")
glyph('N', "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #")
glyph('O', " ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### ")
glyph('P', "#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    ")
glyph('Q', " ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #")
glyph('R', "#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #")
glyph('S', " ####", "#    ", "#    ", " ### ", "    #", "    #", "#### ")
glyph('T', "#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ")
glyph('U', "#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### ")
glyph('V', "#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  ")
glyph('W', "#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #")
glyph('X', "#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #")
glyph('Y', "#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  ")
glyph('Z', "#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####")

glyph('a', "     ", "     ", " ### ", "    #", " ####", "#   #", " ####")
glyph('b', "#    ", "#    ", "#### ", "#   #", "#   #", "#   #", "#### ")
glyph('c', "     ", "     ", " ####", "#    ", "#    ", "#    ", " ####")
glyph('d', "    #", "    #", " ####", "#   #", "#   #", "#   #", " ####")
glyph('e', "     ", "     ", " ### ", "#   #", "#####", "#    ", " ####")
glyph('f', "  ## ", " #   ", "#### ", " #   ", " #   ", " #   ", " #   ")
glyph('g', "     ", " ####", "#   #", "#   #", " ####", "    #", " ### ")
glyph('h', "#    ", "#    ", "#### ", "#   #", "#   #", "#   #", "#   #")
glyph('i', "  #  ", "     ", " ##  ", "  #  ", "  #  ", "  #  ", " ### ")
glyph('j', "   # ", "     ", "  ## ", "   # ", "   # ", "#  # ", " ##  ")
glyph('k', "#    ", "#    ", "#  # ", "# #  ", "##   ", "# #  ", "#  # ")
glyph('l', " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### ")
glyph('m', "     ", "     ", "## # ", "# # #", "# # #", "# # #", "#   #")
glyph('n', "     ", "     ", "#### ", "#   #", "#   #", "#   #", "#   #")
glyph('o', "     ", "     ", " ### ", "#   #", "#   #", "#   #", " ### ")
glyph('p', "     ", "#### ", "#   #", "#   #", "#### ", "#    ", "#    ")
glyph('q', "     ", " ####", "#   #", "#   #", " ####", "    #", "    #")
glyph('r', "     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    ")
glyph('s', "     ", "     ", " ####", "#    ", " ### ", "    #", "#### ")
glyph('t', " #   ", " #   ", "#### ", " #   ", " #   ", " #   ", "  ## ")
glyph('u', "     ", "     ", "#   #", "#   #", "#   #", "#   #", " ####")
glyph('v', "     ", "     ", "#   #", "#   #", "#   #", " # # ", "  #  ")
glyph('w', "     ", "     ", "#   #", "#   #", "# # #", "# # #", " # # ")
glyph('x', "     ", "     ", "#   #", " # # ", "  #  ", " # # ", "#   #")
glyph('y', "     ", "#   #", "#   #", "#   #", " ####", "    #", " ### ")
glyph('z', "     ", "     ", "#####", "   # ", "  #  ", " #   ", "#####")

glyph('0', " ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### ")
glyph('1', "  #  ", " ##  ", "# #  ", "  #  ", "  #  ", "  #  ", "#####")
glyph('2', " ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####")
glyph('3', " ### ", "#   #", "    #", "  ## ", "    #", "#   #", " ### ")
glyph('4', "   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # ")
glyph('5', "#####", "#    ", "#### ", "    #", "    #", "#   #", " ### ")
glyph('6', "  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### ")
glyph('7', "#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   ")
glyph('8', " ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### ")
glyph('9', " ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  ")

glyph('@', " ### ", "#   #", "# ###", "# # #", "# ###", "#    ", " ####")
glyph('[', " ### ", " #   ", " #   ", " #   ", " #   ", " #   ", " ### ")
glyph(']', " ### ", "   # ", "   # ", "   # ", "   # ", "   # ", " ### ")
glyph('£', "  ## ", " #  #", " #   ", "###  ", " #   ", " #  #", "#### ")
glyph('^', "  #  ", " ### ", "# # #", "  #  ", "  #  ", "  #  ", "  #  ")   # up arrow
glyph('_', "     ", "  #  ", " #   ", "#####", " #   ", "  #  ", "     ")   # left arrow
glyph(' ', "     ", "     ", "     ", "     ", "     ", "     ", "     ")
glyph('!', "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "     ", "  #  ")
glyph('"', " # # ", " # # ", " # # ", "     ", "     ", "     ", "     ")
glyph('#', " # # ", " # # ", "#####", " # # ", "#####", " # # ", " # # ")
glyph('$', "  #  ", " ####", "# #  ", " ### ", "  # #", "#### ", "  #  ")
glyph('%', "##   ", "##  #", "   # ", "  #  ", " #   ", "#  ##", "   ##")
glyph('&', " ##  ", "#  # ", "# #  ", " #   ", "# # #", "#  # ", " ## #")
glyph("'", "   # ", "  #  ", " #   ", "     ", "     ", "     ", "     ")
glyph('(', "   # ", "  #  ", " #   ", " #   ", " #   ", "  #  ", "   # ")
glyph(')', " #   ", "  #  ", "   # ", "   # ", "   # ", "  #  ", " #   ")
glyph('*', "     ", "# # #", " ### ", "#####", " ### ", "# # #", "     ")
glyph('+', "     ", "  #  ", "  #  ", "#####", "  #  ", "  #  ", "     ")
glyph(',', "     ", "     ", "     ", "     ", "  ## ", "  #  ", " #   ")
glyph('-', "     ", "     ", "     ", "#####", "     ", "     ", "     ")
glyph('.', "     ", "     ", "     ", "     ", "     ", " ##  ", " ##  ")
glyph('/', "     ", "    #", "   # ", "  #  ", " #   ", "#    ", "     ")
glyph(':', "     ", " ##  ", " ##  ", "     ", " ##  ", " ##  ", "     ")
glyph(';', "     ", " ##  ", " ##  ", "     ", " ##  ", "  #  ", " #   ")
glyph('<', "   # ", "  #  ", " #   ", "#    ", " #   ", "  #  ", "   # ")
glyph('=', "     ", "     ", "#####", "     ", "#####", "     ", "     ")
glyph('>', " #   ", "  #  ", "   # ", "    #", "   # ", "  #  ", " #   ")
glyph('?', " ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  ")


def cell_of(rows):
    """A 5 x 7 glyph in the 8 x 8 cell: one column in, the top row first."""
    cell = []
    for r in rows:
        byte = 0
        for i, c in enumerate(r):
            if c == '#':
                byte |= 0x40 >> i
        cell.append(byte)
    return cell + [0]


def picture(*rows):
    """An 8 x 8 picture drawn directly."""
    assert len(rows) == 8 and all(len(r) == 8 for r in rows)
    return [sum(0x80 >> i for i, c in enumerate(r) if c == '#') for r in rows]


def hline(y, thick=1):
    return [0xFF if y <= r < y + thick else 0 for r in range(8)]


def vline(x, thick=1):
    bits = sum(0x80 >> c for c in range(x, x + thick))
    return [bits] * 8


def rows_where(pred, bits=0xFF):
    return [bits if pred(r) else 0 for r in range(8)]


def combine(*cells):
    return [
        v for v in (
            __import__('functools').reduce(lambda a, b: a | b, col) for col in zip(*cells)
        )
    ]


# The graphics signs of screen codes 0x40-0x7F (the upper-case set), and
# those the lower-case set shares (0x5B-0x7F).
GRAPHICS = {
    0x40: hline(3, 2),
    0x41: picture("   ##   ", "  ####  ", " ###### ", "########", "########", "   ##   ", "  ####  ", "        "),  # spade
    0x42: vline(3, 2),
    0x43: hline(3, 2),
    0x44: hline(2, 1),
    0x45: hline(1, 1),
    0x46: hline(5, 1),
    0x47: vline(2, 1),
    0x48: vline(5, 1),
    0x49: picture("        ", "        ", "        ", "###     ", "   #    ", "    #   ", "    #   ", "    #   "),
    0x4A: picture("    #   ", "    #   ", "     #  ", "      ##", "        ", "        ", "        ", "        "),
    0x4B: picture("    #   ", "    #   ", "   #    ", "###     ", "        ", "        ", "        ", "        "),
    0x4C: combine(vline(0, 1), hline(7, 1)),
    0x4D: picture("#       ", " #      ", "  #     ", "   #    ", "    #   ", "     #  ", "      # ", "       #"),
    0x4E: picture("       #", "      # ", "     #  ", "    #   ", "   #    ", "  #     ", " #      ", "#       "),
    0x4F: combine(vline(0, 1), hline(0, 1)),
    0x50: combine(vline(7, 1), hline(0, 1)),
    0x51: picture("        ", "  ####  ", " ###### ", " ###### ", " ###### ", " ###### ", "  ####  ", "        "),  # ball
    0x52: hline(6, 1),
    0x53: picture(" ##  ## ", "########", "########", "########", " ###### ", "  ####  ", "   ##   ", "        "),  # heart
    0x54: vline(1, 1),
    0x55: picture("        ", "        ", "        ", "     ###", "    #   ", "   #    ", "   #    ", "   #    "),
    0x56: picture("##    ##", "###  ###", " ###### ", "  ####  ", "  ####  ", " ###### ", "###  ###", "##    ##"),
    0x57: picture("        ", "  ####  ", " #    # ", " #    # ", " #    # ", " #    # ", "  ####  ", "        "),  # ring
    0x58: picture("   ##   ", "   ##   ", " ## ## #", "########", " ## ## #", "   ##   ", "  ####  ", "        "),  # club
    0x59: vline(6, 1),
    0x5A: picture("   ##   ", "  ####  ", " ###### ", "########", " ###### ", "  ####  ", "   ##   ", "        "),  # diamond
    0x5B: combine(hline(3, 2), vline(3, 2)),
    0x5C: picture("# #     ", " # #    ", "# #     ", " # #    ", "# #     ", " # #    ", "# #     ", " # #    "),
    0x5D: vline(3, 2),
    0x5E: picture("        ", "        ", "       #", " ###### ", "# #  #  ", "  #  #  ", "  #  #  ", "        "),  # pi
    0x5F: picture("########", " #######", "  ######", "   #####", "    ####", "     ###", "      ##", "       #"),
    0x60: [0] * 8,
    0x61: vline(0, 4),
    0x62: rows_where(lambda r: r >= 4),
    0x63: hline(0, 1),
    0x64: hline(7, 1),
    0x65: vline(0, 1),
    0x66: [0xAA if r % 2 == 0 else 0x55 for r in range(8)],
    0x67: vline(7, 1),
    0x68: [0 if r < 4 else (0xAA if r % 2 == 0 else 0x55) for r in range(8)],
    0x69: picture("#       ", "##      ", "###     ", "####    ", "#####   ", "######  ", "####### ", "########"),
    0x6A: vline(6, 2),
    0x6B: combine(vline(3, 2), rows_where(lambda r: r in (3, 4), 0x1F)),
    0x6C: [0 if r < 4 else 0xF0 for r in range(8)],
    0x6D: combine(rows_where(lambda r: r <= 4, 0x18), rows_where(lambda r: r in (3, 4), 0x1F)),
    0x6E: combine(rows_where(lambda r: r >= 3, 0x18), rows_where(lambda r: r in (3, 4), 0xF8)),
    0x6F: hline(6, 2),
    0x70: combine(rows_where(lambda r: r >= 3, 0x18), rows_where(lambda r: r in (3, 4), 0x1F)),
    0x71: combine(rows_where(lambda r: r <= 4, 0x18), hline(3, 2)),
    0x72: combine(rows_where(lambda r: r >= 3, 0x18), hline(3, 2)),
    0x73: combine(vline(3, 2), rows_where(lambda r: r in (3, 4), 0xF8)),
    0x74: vline(0, 2),
    0x75: vline(0, 3),
    0x76: vline(5, 3),
    0x77: hline(0, 2),
    0x78: hline(0, 3),
    0x79: hline(5, 3),
    0x7A: combine(vline(7, 1), hline(7, 1)),
    0x7B: [0 if r < 4 else 0x0F for r in range(8)],
    0x7C: [0x0F if r < 4 else 0 for r in range(8)],
    0x7D: combine(rows_where(lambda r: r <= 4, 0x18), rows_where(lambda r: r in (3, 4), 0xF8)),
    0x7E: [0xF0 if r < 4 else 0 for r in range(8)],
    0x7F: [0xF0 if r < 4 else 0x0F for r in range(8)],
}

SIGNS = "[£]^_ !\"#$%&'()*+,-./0123456789:;<=>?"


def upper_set():
    cells = [cell_of(G['@'])]
    cells += [cell_of(G[chr(ord('A') + i)]) for i in range(26)]
    cells += [cell_of(G[c]) for c in SIGNS]
    cells += [GRAPHICS[code] for code in range(0x40, 0x80)]
    return cells


def lower_set():
    cells = [cell_of(G['@'])]
    cells += [cell_of(G[chr(ord('a') + i)]) for i in range(26)]
    cells += [cell_of(G[c]) for c in SIGNS]
    cells += [GRAPHICS[0x40]]
    cells += [cell_of(G[chr(ord('A') + i)]) for i in range(26)]
    cells += [GRAPHICS[code] for code in range(0x5B, 0x80)]
    return cells


def emit(name, cells, names):
    assert len(cells) == 128
    print(f"{name}:")
    for code, cell in enumerate(cells):
        print(f"        .byte   " + ", ".join(f"${b:02X}" for b in cell) + f"   ; ${code:02X} {names(code)}")


def names_upper(code):
    if code == 0:
        return "@"
    if code <= 26:
        return chr(ord('A') + code - 1)
    if code < 0x40:
        return SIGNS[code - 27]
    return "graphic"


def names_lower(code):
    if code == 0:
        return "@"
    if code <= 26:
        return chr(ord('a') + code - 1)
    if code < 0x40:
        return SIGNS[code - 27]
    if 0x41 <= code <= 0x5A:
        return chr(ord('A') + code - 0x41)
    return "graphic"


print("; Ravlin's open boot ROM: its two character sets, drawn for the project")
print("; (generated by tools/rom/draw_charset.py; edit the pictures there).")
print("; 128 glyphs of 8 bytes each, top row first, in screen-code order; the TED")
print("; shows codes 128-255 as the reverse of these.  Capitals and graphics at")
print("; 0xD000, lower and upper case at 0xD400.")
print()
print('        .segment "CHARSET"')
print()
emit("UpperCaseSet", upper_set(), names_upper)
print()
emit("LowerCaseSet", lower_set(), names_lower)
