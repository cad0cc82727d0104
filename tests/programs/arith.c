/* Integer arithmetic with long and signed values: the runtime's
   multiplication, division and shifts in 8, 16 and 32 bits. */
#include <limits.h>
#include <stdio.h>

static long lpow(long base, unsigned e)
{
    long r = 1;
    while (e--)
        r *= base;
    return r;
}

static unsigned long isqrt(unsigned long n)
{
    unsigned long x = n, y = (x + 1) / 2;
    while (y < x) {
        x = y;
        y = (x + n / x) / 2;
    }
    return x;
}

int main(void)
{
    static const int values[] = {0, 1, -1, 7, -7, 100, -100, INT_MAX, INT_MIN, 1234, -4321};
    static const long lvalues[] = {0L, 1L, -1L, 65536L, -65537L, 2147483647L, -2147483647L - 1, 123456789L, -98765432L};
    unsigned long fact = 1;
    unsigned long fib_a = 0, fib_b = 1;
    long sum = 0;
    int i, j;
    signed char c = -128;
    unsigned char uc = 250;

    for (i = 0; i < (int)(sizeof values / sizeof values[0]); i++)
        for (j = 0; j < (int)(sizeof values / sizeof values[0]); j++) {
            int a = values[i], b = values[j];
            long p = (long)a * b;
            sum += p;
            if (b != 0 && !(a == INT_MIN && b == -1))
                printf("%d/%d=%d r%d ", a, b, a / b, a % b);
        }
    printf("\nsum of products %ld\n", sum);

    for (i = 0; i < (int)(sizeof lvalues / sizeof lvalues[0]); i++) {
        long v = lvalues[i];
        printf("%ld: >>3=%ld <<2=%ld /7=%ld %%7=%ld *3=%ld neg=%ld\n", v, v >> 3, v << 2, v / 7, v % 7, v * 3, -v);
    }

    for (i = 1; i <= 12; i++) {
        fact *= i;
        printf("%d!=%lu ", i, fact);
    }
    printf("\n");
    for (i = 0; i < 46; i++) {
        unsigned long t = fib_a + fib_b;
        fib_a = fib_b;
        fib_b = t;
    }
    printf("fib46=%lu hex %lx\n", fib_a, fib_a);
    printf("3^19=%ld -3^19=%ld\n", lpow(3, 19), lpow(-3, 19));
    printf("isqrt: %lu %lu %lu\n", isqrt(1000000UL), isqrt(4294967295UL), isqrt(2UL));
    c += 1;
    uc += 10;
    printf("char wrap: %d %u\n", c, uc);
    printf("unsigned: %u %u\n", 65535u + 2u, (unsigned)(-1) / 3u);
    printf("mixed: %ld\n", (long)(-5) * 70000L + 3);
    return (int)(sum & 0x7F);
}
