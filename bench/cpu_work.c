/* The processor-alone workload, run both by the emulator's processor in
   flat memory and by sim65: a sieve, 16-bit multiplications and a CRC-16,
   a fixed number of rounds; the exit code is a checksum. */
#define SIZE 4096
#define ROUNDS 60

static unsigned char flags[SIZE];
static unsigned char data[1024];

int main(void)
{
    unsigned round, i, k, count = 0, crc = 0xFFFF;
    unsigned long product = 0;
    unsigned char bit;
    for (round = 0; round < ROUNDS; ++round) {
        for (i = 0; i < SIZE; ++i)
            flags[i] = 1;
        for (i = 2; i < SIZE; ++i) {
            if (!flags[i])
                continue;
            ++count;
            for (k = i + i; k < SIZE; k += i)
                flags[k] = 0;
        }
        for (i = 0; i < 300; ++i)
            product += (unsigned long)(i * 7u + round) * (i + 11u);
        for (i = 0; i < 1024; ++i)
            data[i] = (unsigned char)(i ^ round);
        for (i = 0; i < 1024; ++i) {
            crc ^= (unsigned)data[i] << 8;
            for (bit = 0; bit < 8; ++bit)
                crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        }
    }
    return (int)((count + crc + (unsigned)product) & 0x7F);
}
