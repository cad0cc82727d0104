#include <cstdint>

// The key repeat state arrives with the keyboard work.
uint8_t KeyRepeatState = 0;
