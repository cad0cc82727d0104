/* Run under the stock ROMs and under the open boot ROM by the ROM tests:
   the KERNAL's jump table called as assembly programs call it (the
   helpers in jump_table_calls.s), each result printed on a line of its own,
   so that every line must read the same under both.  Drive 8 is attached
   (an empty folder or image); no key is pressed. */
#include <cbm.h>
#include <conio.h>
#include <stdio.h>

/* The helpers' results: 0 or a KERNAL error number. */

unsigned char keeps_registers(unsigned char c);
unsigned plot_roundtrip(void);
unsigned screen_size(void);
unsigned char __fastcall__ open_result(unsigned char lfn, unsigned char device);
unsigned char __fastcall__ chkin_result(unsigned char lfn);
unsigned char __fastcall__ ckout_result(unsigned char lfn);
unsigned char __fastcall__ load_result(unsigned char device);
unsigned char readst_after(void);
unsigned char memtop_high(void);
unsigned getin_result(void);
unsigned char clock_roundtrip(void);

int main(void)
{
    unsigned char i, error;
    printf("chrout keeps x y %u\n", keeps_registers('*'));
    printf("plot %04x\n", plot_roundtrip());
    printf("screen %04x\n", screen_size());
    printf("memtop page %02x\n", memtop_high());
    printf("getin %04x\n", getin_result());
    printf("clock %u\n", clock_roundtrip());

    /* Logical files: the keyboard (0) and the screen (3) open; a file
       number twice is error 2; ten files at most (error 1), two of them
       cc65's own (4 and 5, its output on the screen). */
    printf("open kbd %u screen %u again %u\n", open_result(1, 0), open_result(2, 3), open_result(2, 3));
    for (i = 6, error = 0; i < 16 && !error; i++)
        error = open_result(i, 3);
    printf("open until %u error %u\n", i - 1, error);
    for (i = 1; i < 16; i++)
        if (i != 4 && i != 5)
            cbm_k_close(i);
    printf("chkin closed %u ckout closed %u\n", chkin_result(9), ckout_result(9));
    open_result(8, 0);
    printf("ckout keyboard %u\n", ckout_result(8));
    cbm_k_close(8);

    /* Devices that are not there (the printer), that can't load (the
       screen), and a file the drive doesn't have. */
    error = open_result(7, 4);
    i = readst_after();
    cbm_k_close(7);
    printf("open printer %u st %02x closed st %02x\n", error, i, readst_after());
    error = load_result(4);
    printf("load printer %u st %02x\n", error, readst_after());
    printf("load screen %u\n", load_result(3));
    error = load_result(8);
    printf("load missing %u st %02x\n", error, readst_after());

    /* Input from the screen (device 3): the row under the cursor, spaces
       and all, the cursor moving along it. */
    {
        unsigned char row, read[7];
        printf("HELLO\n");
        row = wherey() - 1;
        gotoxy(0, row);
        open_result(10, 3);
        cbm_k_chkin(10);
        for (i = 0; i < 7; i++)
            read[i] = cbm_k_basin();
        cbm_k_clrch();
        cbm_k_close(10);
        i = wherex();
        gotoxy(0, row + 1);
        printf("screen read %02x %02x %02x %02x %02x %02x %02x at %u\n", read[0], read[1], read[2], read[3],
               read[4], read[5], read[6], i);
    }
    return 0;
}
