/* Recursion: deep and branching calls on the C stack and the processor stack. */
#include <stdio.h>

static unsigned moves;

static void hanoi(unsigned char n, char from, char to, char via)
{
    if (n == 0)
        return;
    hanoi(n - 1, from, via, to);
    moves++;
    if (n == 7)
        printf("move disk 7 %c->%c\n", from, to);
    hanoi(n - 1, via, to, from);
}

static unsigned ackermann(unsigned m, unsigned n)
{
    if (m == 0)
        return n + 1;
    if (n == 0)
        return ackermann(m - 1, 1);
    return ackermann(m - 1, ackermann(m, n - 1));
}

static unsigned fib(unsigned n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }

static int is_even(unsigned n);
static int is_odd(unsigned n) { return n == 0 ? 0 : is_even(n - 1); }
static int is_even(unsigned n) { return n == 0 ? 1 : is_odd(n - 1); }

static unsigned char columns[8];
static unsigned solutions;

static int safe(unsigned char row, unsigned char col)
{
    unsigned char r;
    for (r = 0; r < row; r++) {
        int d = (int)columns[r] - col;
        if (d == 0 || d == (int)(row - r) || d == -(int)(row - r))
            return 0;
    }
    return 1;
}

static void queens(unsigned char row, unsigned char n)
{
    unsigned char col;
    if (row == n) {
        solutions++;
        return;
    }
    for (col = 0; col < n; col++)
        if (safe(row, col)) {
            columns[row] = col;
            queens(row + 1, n);
        }
}

int main(void)
{
    unsigned char n;
    hanoi(10, 'A', 'C', 'B');
    printf("hanoi 10: %u moves\n", moves);
    printf("ackermann(2,3)=%u ackermann(3,3)=%u\n", ackermann(2, 3), ackermann(3, 3));
    printf("fib(18)=%u\n", fib(18));
    printf("parity of 91: %s\n", is_even(91) ? "even" : "odd");
    for (n = 4; n <= 7; n++) {
        solutions = 0;
        queens(0, n);
        printf("%u queens: %u solutions\n", n, solutions);
    }
    return (int)(solutions % 100);
}
