/* The compiled workload for the Plus/4: integer work (a sieve, 16-bit
   multiplications and a checksum) whose running results are written
   straight into the text screen, so the picture changes all the time. */
#include <string.h>

#define SCREEN ((unsigned char*)0x0C00)
#define COLOURS ((unsigned char*)0x0800)
#define SIZE 2048

static unsigned char flags[SIZE];

static void PutNumber(unsigned char* at, unsigned value)
{
    unsigned char i;
    for (i = 0; i < 5; ++i) {
        at[4 - i] = (unsigned char)('0' + value % 10);
        value /= 10;
    }
}

int main(void)
{
    unsigned round = 0;
    unsigned i, k, count;
    unsigned long sum;
    for (;;) {
        memset(flags, 1, SIZE);
        count = 0;
        for (i = 2; i < SIZE; ++i) {
            if (!flags[i])
                continue;
            ++count;
            for (k = i + i; k < SIZE; k += i)
                flags[k] = 0;
            PutNumber(SCREEN + 40 * ((i >> 3) % 25) + 8 * (i & 3), i);
        }
        sum = 0;
        for (i = 0; i < 200; ++i)
            sum += (unsigned long)i * (round + i);
        for (i = 0; i < 1000; ++i)
            COLOURS[i] = (unsigned char)(0x71 + ((i + round) & 7));
        PutNumber(SCREEN + 960, count);
        PutNumber(SCREEN + 970, (unsigned)sum);
        PutNumber(SCREEN + 980, ++round);
    }
    return 0;
}
