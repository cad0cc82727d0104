// The save menu's entry fields: a name of digits, capitals and spaces, and
// hexadecimal addresses, typed at the end of the text only.
#pragma once
#include <cstdint>

constexpr int EntryConfirmed = 2;
constexpr int EntryCancelled = 0;

// Collects up to maxLength characters at (column, row) until Enter (2: the
// text and its terminator are copied to destination, which must hold
// maxLength + 1 bytes) or Escape (0: destination untouched).
int EnterText(uint8_t column, uint8_t row, int maxLength, char* destination);
int EnterHex(uint8_t column, uint8_t row, int maxLength, char* destination);

// The value of the first four hexadecimal digits of a text.
uint16_t ParseHex4(const char* text);
