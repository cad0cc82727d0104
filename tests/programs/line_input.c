/* Run under the stock ROMs and under the open boot ROM by the ROM tests:
   lines typed at the keyboard reach stdin through CHRIN (the screen
   editor's line input), after a prompt on the same row. */
#include <stdio.h>
#include <string.h>

int main(void)
{
    char name[80];
    int n;
    printf("name? ");
    if (fgets(name, sizeof name, stdin)) {
        name[strcspn(name, "\n")] = 0;
        printf("hi [%s]\n", name);
    }
    printf("number? ");
    if (scanf("%d", &n) == 1)
        printf("n*2=%d\n", n * 2);
    return 0;
}
