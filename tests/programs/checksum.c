/* Checksums over generated data: bitwise CRC-32, CRC-16/CCITT, Adler-32 and
   Fletcher-16, the shift-and-mask work of real programs. */
#include <stdio.h>

#define SIZE 2048

static unsigned char data[SIZE];

static unsigned long crc32(const unsigned char* p, unsigned n)
{
    unsigned long crc = 0xFFFFFFFFUL;
    unsigned char bit;
    while (n--) {
        crc ^= *p++;
        for (bit = 0; bit < 8; bit++)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320UL : crc >> 1;
    }
    return ~crc;
}

static unsigned crc16(const unsigned char* p, unsigned n)
{
    unsigned crc = 0xFFFF;
    unsigned char bit;
    while (n--) {
        crc ^= (unsigned)*p++ << 8;
        for (bit = 0; bit < 8; bit++)
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
    }
    return crc;
}

static unsigned long adler32(const unsigned char* p, unsigned n)
{
    unsigned long a = 1, b = 0;
    while (n--) {
        a = (a + *p++) % 65521UL;
        b = (b + a) % 65521UL;
    }
    return (b << 16) | a;
}

static unsigned fletcher16(const unsigned char* p, unsigned n)
{
    unsigned s1 = 0, s2 = 0;
    while (n--) {
        s1 = (s1 + *p++) % 255;
        s2 = (s2 + s1) % 255;
    }
    return (s2 << 8) | s1;
}

int main(void)
{
    unsigned i;
    unsigned char x = 1;
    unsigned long crc;
    for (i = 0; i < SIZE; i++) {
        x = (unsigned char)(x * 5 + 17);
        data[i] = x ^ (unsigned char)(i >> 3);
    }
    crc = crc32(data, SIZE);
    printf("crc32 %08lx\n", crc);
    printf("crc32 of \"123456789\" %08lx\n", crc32((const unsigned char*)"123456789", 9));
    printf("crc16 %04x\n", crc16(data, SIZE));
    printf("crc16 of \"123456789\" %04x\n", crc16((const unsigned char*)"123456789", 9));
    printf("adler32 %08lx\n", adler32(data, SIZE));
    printf("fletcher16 %04x\n", fletcher16(data, SIZE));
    return (int)(crc & 0x3F);
}
