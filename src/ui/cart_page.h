// The load menu's CART page: the host's directories and cartridge images
// (*.BIN, *.ROM).  1 and 2 choose the slot; Enter plugs the chosen image in
// there and X pulls the slot's cartridge out.  Either resets the machine,
// as plugging a cartridge in or out needs the power off.  Below the list:
// what each slot holds.
#pragma once
#include <string>

#include "ui/file_listing.h"

extern Listing CartList;   // "*.BIN;*.ROM" in the current directory

struct CartPage {
    int slot = 1;          // the slot Enter and X act on
    std::string message;   // why the last image was refused
};

// Enter on an entry of CartList.
void CartPageEnter(CartPage& page, int selection);
// 1, 2 and X on the page.
void CartPageKeys(CartPage& page);
void DrawCartPageLines(const CartPage& page);
