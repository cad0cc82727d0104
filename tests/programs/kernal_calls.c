/* Run under the stock ROMs and under the open boot ROM by the ROM tests:
   each line it prints must read the same under both.  It uses what cc65's
   plus4 library reaches in the KERNAL: the screen through conio and stdio,
   the keyboard buffer, the jiffy clock, and drive 8 through logical files
   (the error channel, a sequential file written and read back, a program
   saved and loaded, the directory). */
#include <cbm.h>
#include <conio.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static char line[40];

static void status_line(void)
{
    int n = cbm_read(15, line, sizeof line - 1);
    if (n < 0)
        n = 0;
    line[n] = 0;
    if (n > 0 && line[n - 1] == '\r')
        line[n - 1] = 0;
}

int main(void)
{
    unsigned char x, y, key;
    unsigned char data[32], back[32];
    int n, i;
    clock_t start;

    clrscr();
    cputs("CONIO ");
    revers(1);
    cputs("REVERSED");
    revers(0);
    x = wherex();
    y = wherey();
    gotoxy(0, 1);
    cprintf("AT %u,%u SCREEN %ux%u", x, y, 40, 25);
    gotoxy(30, 0);
    cvline(3);
    gotoxy(0, 2);
    chline(10);
    gotoxy(0, 4);
    printf("printf %d %s\n", 1234, "ok");

    /* Keys typed by the test arrive through the buffer: "AB". */
    key = cgetc();
    printf("key %c", key);
    key = cgetc();
    printf(" %c\n", key);

    start = clock();
    while (clock() - start < 30)
        ;
    printf("clock ran\n");

    /* The error channel, then a sequential file both ways. */
    if (cbm_open(15, 8, 15, "") != 0) {
        printf("no drive\n");
        return 0;
    }
    status_line();
    printf("status %s\n", line);
    for (i = 0; i < 32; i++)
        data[i] = (unsigned char)(i * 7 + 1);
    if (cbm_open(2, 8, 2, "notes,s,w") == 0) {
        n = cbm_write(2, data, sizeof data);
        cbm_close(2);
        printf("wrote %d\n", n);
    }
    status_line();
    printf("status %s\n", line);
    memset(back, 0, sizeof back);
    if (cbm_open(3, 8, 3, "notes,s,r") == 0) {
        n = cbm_read(3, back, sizeof back);
        cbm_close(3);
        printf("read %d same %d\n", n, memcmp(data, back, sizeof data) == 0);
    }
    if (cbm_open(3, 8, 3, "missing,s,r") == 0)
        cbm_close(3);
    status_line();
    printf("status %s\n", line);

    /* A program saved from memory and loaded back elsewhere. */
    printf("save %u\n", cbm_save("block", 8, data, sizeof data));
    memset(back, 0, sizeof back);
    n = cbm_load("block", 8, back);
    printf("load %d same %d\n", n, memcmp(data, back, sizeof data) == 0);
    cbm_close(15);
    return 0;
}
