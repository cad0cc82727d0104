#include "ui/cart_page.h"

#include <cctype>
#include <filesystem>

#include "cartridge/cartridge.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "ui/text.h"

Listing CartList;

namespace {

constexpr Label PickCart = {5, 2, "SELECT A CARTRIDGE TO PLUG IN:", 0x71, 0x00};
constexpr uint8_t SlotRows[CartridgeSlotCount] = {21, 23};
constexpr uint8_t KeysColumn = 12, KeysRow = 22;
constexpr size_t NameRoom = 29;   // columns 10-38

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void CartPageEnter(CartPage& page, int selection)
{
    if (selection < 0 || selection >= CartList.count || CartList.entries[selection].kind != EntryFile)
        return;
    std::error_code ec;
    const std::string path = std::filesystem::absolute(CartList.entries[selection].fullName, ec).string();
    std::string message;
    if (ec || !CartridgeAttach(path, page.slot, &message)) {
        page.message = ec ? "CAN'T FIND THE IMAGE" : Upper(message);
        return;
    }
    page.message.clear();
    HardResetRequest = 1;
}

void CartPageKeys(CartPage& page)
{
    if (KeyPressed(DIK_1) == 1)
        page.slot = 1;
    if (KeyPressed(DIK_2) == 1)
        page.slot = 2;
    if (KeyPressed(DIK_X) == 1) {
        if (CartridgeAttached(page.slot)) {
            CartridgeDetach(page.slot);
            HardResetRequest = 1;
        }
        page.message.clear();
        WaitKeyRelease(DIK_X);
    }
}

void DrawCartPageLines(const CartPage& page)
{
    Draw(PickCart);
    DrawText(KeysColumn, KeysRow, "1/2-SLOT X-PULL OUT", 0x4F, 0x00);
    for (int slot = 1; slot <= CartridgeSlotCount; slot++) {
        const uint8_t row = SlotRows[slot - 1];
        const bool chosen = slot == page.slot;
        DrawText(1, row, slot == 1 ? "SLOT 1:" : "SLOT 2:", chosen ? 0x71 : 0x41, chosen ? 0x43 : 0x00);
        std::string shown;
        uint8_t ink = 0x71;
        if (chosen && !page.message.empty()) {
            shown = page.message;
            ink = 0x58;
        } else {
            shown = CartridgeAttached(slot) ? Upper(CartridgeDescription(slot)) : "EMPTY";
        }
        if (shown.size() > NameRoom)
            shown.resize(NameRoom);
        DrawText(10, row, shown.c_str(), ink, 0x00);
    }
}
