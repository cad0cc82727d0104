#include "ui/text_entry.h"

#include <cstring>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "ui/text.h"

namespace {

struct AlphabetKey {
    char character;
    uint8_t key;
};

// The keys are scanned in this order.
constexpr AlphabetKey TextAlphabet[] = {
    {'0', DIK_0}, {'1', DIK_1}, {'2', DIK_2}, {'3', DIK_3}, {'4', DIK_4}, {'5', DIK_5}, {'6', DIK_6},
    {'7', DIK_7}, {'8', DIK_8}, {'9', DIK_9}, {'A', DIK_A}, {'B', DIK_B}, {'C', DIK_C}, {'D', DIK_D},
    {'E', DIK_E}, {'F', DIK_F}, {'G', DIK_G}, {'H', DIK_H}, {'I', DIK_I}, {'J', DIK_J}, {'K', DIK_K},
    {'L', DIK_L}, {'M', DIK_M}, {'N', DIK_N}, {'O', DIK_O}, {'P', DIK_P}, {'Q', DIK_Q}, {'R', DIK_R},
    {'S', DIK_S}, {'T', DIK_T}, {'U', DIK_U}, {'V', DIK_V}, {'W', DIK_W}, {'X', DIK_X}, {'Y', DIK_Y},
    {'Z', DIK_Z}, {' ', DIK_SPACE},
};
constexpr int TextAlphabetSize = 37;
constexpr int HexAlphabetSize = 16;   // the first 16 of the same table: "0"-"9", "A"-"F"
static_assert(sizeof TextAlphabet / sizeof TextAlphabet[0] == TextAlphabetSize);

constexpr uint8_t FieldInk = 0x71, FieldPaper = 0x14;
constexpr int MaxField = 64;

int EnterField(uint8_t column, uint8_t row, int maxLength, char* destination, int alphabetSize)
{
    if (maxLength > MaxField)
        maxLength = MaxField;
    char text[MaxField + 1] = {};
    int length = 0;
    int result;
    for (;;) {
        char shown[MaxField + 1];
        std::memset(shown, ' ', maxLength);
        std::memcpy(shown, text, length);
        shown[maxLength] = '\0';
        if (maxLength > 0)
            DrawText(column, row, shown, FieldInk, FieldPaper);
        if (length < maxLength)   // the cursor: a solid block
            DrawChar(static_cast<uint8_t>(column + length), row, ' ', FieldInk, FieldInk);
        PresentMenu();

        for (int i = 0; i < alphabetSize && length < maxLength; i++)
            if (KeyPressed(TextAlphabet[i].key) == 1) {
                text[length++] = TextAlphabet[i].character;
                WaitKeyRelease(TextAlphabet[i].key);
            }
        if (KeyPressed(DIK_BACK) == 1) {
            if (length > 0)
                text[--length] = '\0';
            WaitKeyRelease(DIK_BACK);
        }
        bool cancel = KeyPressed(DIK_ESCAPE) == 1;
        bool confirm = KeyPressed(DIK_RETURN) == 1;
        if (confirm) {
            result = EntryConfirmed;
            break;
        }
        if (cancel) {
            result = EntryCancelled;
            break;
        }
    }
    if (result == EntryConfirmed)
        std::memcpy(destination, text, length + 1);
    WaitKeyRelease(DIK_RETURN);
    WaitKeyRelease(DIK_ESCAPE);
    return result;
}

}  // namespace

int EnterText(uint8_t column, uint8_t row, int maxLength, char* destination)
{
    return EnterField(column, row, maxLength, destination, TextAlphabetSize);
}

int EnterHex(uint8_t column, uint8_t row, int maxLength, char* destination)
{
    return EnterField(column, row, maxLength, destination, HexAlphabetSize);
}

uint16_t ParseHex4(const char* text)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    uint16_t value = 0;
    for (int i = 0; i < 4 && text[i] != '\0'; i++) {
        const char* at = std::strchr(digits, text[i]);
        uint16_t digit = at ? static_cast<uint16_t>(at - digits) : 0;
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}
