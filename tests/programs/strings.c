/* String handling: the C library's string functions, formatting, and the
   program's own arguments. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void reverse(char* s)
{
    size_t i = 0, j = strlen(s);
    while (j > i + 1) {
        char t = s[i];
        s[i++] = s[--j];
        s[j] = t;
    }
}

static unsigned count_words(const char* s)
{
    unsigned n = 0;
    int in_word = 0;
    for (; *s; s++) {
        if (isspace((unsigned char)*s))
            in_word = 0;
        else if (!in_word) {
            in_word = 1;
            n++;
        }
    }
    return n;
}

int main(int argc, char** argv)
{
    static char buffer[200];
    static char copy[200];
    const char* text = "The quick brown fox jumps over the lazy dog";
    char* token;
    int i;

    printf("argc=%d\n", argc);
    for (i = 1; i < argc; i++) {
        strcpy(buffer, argv[i]);
        reverse(buffer);
        printf("arg %d: '%s' reversed '%s' length %u\n", i, argv[i], buffer, (unsigned)strlen(argv[i]));
    }

    strcpy(buffer, text);
    printf("words: %u\n", count_words(buffer));
    for (i = 0; buffer[i]; i++)
        buffer[i] = toupper((unsigned char)buffer[i]);
    printf("upper: %s\n", buffer);
    printf("strchr: %s\n", strchr(text, 'j'));
    printf("strrchr: %s\n", strrchr(text, 'o'));
    printf("strstr: %s\n", strstr(text, "lazy"));
    printf("strcmp: %d %d %d\n", strcmp("abc", "abd") < 0, strcmp("b", "a") > 0, strcmp("same", "same"));
    printf("strncmp: %d\n", strncmp("prefix-one", "prefix-two", 7));

    strcpy(copy, text);
    token = strtok(copy, " ");
    while (token) {
        printf("[%s]", token);
        token = strtok(NULL, " ");
    }
    printf("\n");

    buffer[0] = '\0';
    for (i = 0; i < 10; i++) {
        char part[8];
        sprintf(part, "%d,", i * i);
        strcat(buffer, part);
    }
    printf("squares: %s\n", buffer);
    sprintf(buffer, "%5d|%-5d|%05u|%x|%X|%c|%s", -42, 17, 123u, 0xBEEFu, 0xCAFEu, 'z', "end");
    printf("format: %s\n", buffer);
    printf("atoi: %d %d\n", atoi("12345"), atoi("-678"));
    printf("memcmp: %d\n", memcmp("abcdef", "abcxyz", 3));
    return (int)strlen(text);
}
