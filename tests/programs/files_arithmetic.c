/* Loaded with --load and started with --run by the runner's file tests:
   prints two results that only a correctly loaded and executed program
   can produce.  Lower-case letters show as capitals in the machine's
   upper-case character set. */
#include <stdio.h>

int main(void)
{
    unsigned long fib[25];
    unsigned i, n, d, primes = 0;

    fib[0] = 0;
    fib[1] = 1;
    for (i = 2; i < 25; i++)
        fib[i] = fib[i - 1] + fib[i - 2];
    for (n = 2; n < 1000; n++) {
        for (d = 2; d * d <= n; d++)
            if (n % d == 0)
                break;
        if (d * d > n)
            primes++;
    }
    printf("fib(24)=%lu\n", fib[24]);
    printf("primes below 1000=%u\n", primes);
    return 0;
}
