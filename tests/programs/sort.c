/* Sorting: the program's own quicksort and insertion sort against the
   library's qsort, on numbers and strings, with the heap in use. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define COUNT 300

static unsigned long seed = 12345;
static int next_random(void)
{
    seed = seed * 1103515245UL + 12345UL;
    return (int)((seed >> 16) & 0x7FFF) - 16384;
}

static void quicksort(int* a, int lo, int hi)
{
    while (lo < hi) {
        int pivot = a[(lo + hi) / 2], i = lo, j = hi;
        while (i <= j) {
            while (a[i] < pivot) i++;
            while (a[j] > pivot) j--;
            if (i <= j) {
                int t = a[i];
                a[i++] = a[j];
                a[j--] = t;
            }
        }
        if (j - lo < hi - i) {
            quicksort(a, lo, j);
            lo = i;
        } else {
            quicksort(a, i, hi);
            hi = j;
        }
    }
}

static void insertion_sort(int* a, int n)
{
    int i, j;
    for (i = 1; i < n; i++) {
        int v = a[i];
        for (j = i; j > 0 && a[j - 1] > v; j--)
            a[j] = a[j - 1];
        a[j] = v;
    }
}

static int compare_ints(const void* x, const void* y)
{
    int a = *(const int*)x, b = *(const int*)y;
    return a < b ? -1 : a > b;
}

static int compare_strings(const void* x, const void* y)
{
    return strcmp(*(char* const*)x, *(char* const*)y);
}

int main(void)
{
    int* a = malloc(COUNT * sizeof(int));
    int* b = malloc(COUNT * sizeof(int));
    int* c = malloc(COUNT * sizeof(int));
    static const char* const words[] = {"pear", "apple", "fig", "banana", "kiwi", "cherry", "date", "grape", "lime", "mango"};
    char* names[10];
    long checksum = 0;
    int i, ok = 1;

    if (!a || !b || !c) {
        printf("out of memory\n");
        return 2;
    }
    for (i = 0; i < COUNT; i++)
        a[i] = b[i] = c[i] = next_random();
    quicksort(a, 0, COUNT - 1);
    insertion_sort(b, COUNT);
    qsort(c, COUNT, sizeof(int), compare_ints);
    for (i = 0; i < COUNT; i++) {
        if (a[i] != b[i] || a[i] != c[i] || (i > 0 && a[i - 1] > a[i]))
            ok = 0;
        checksum = checksum * 31 + a[i];
    }
    printf("min %d max %d median %d checksum %ld sorted %s\n", a[0], a[COUNT - 1], a[COUNT / 2], checksum,
           ok ? "yes" : "no");

    for (i = 0; i < 10; i++) {
        names[i] = malloc(strlen(words[i]) + 1);
        strcpy(names[i], words[i]);
    }
    qsort(names, 10, sizeof(char*), compare_strings);
    for (i = 0; i < 10; i++) {
        printf("%s ", names[i]);
        free(names[i]);
    }
    printf("\n");
    free(c);
    free(b);
    free(a);
    return ok ? 0 : 1;
}
