/* The program the web page's test runs with ?run=: it prints one line. */
#include <stdio.h>

int main(void)
{
    printf("ravlin web %d\n", 6 * 7 + 100);
    return 0;
}
