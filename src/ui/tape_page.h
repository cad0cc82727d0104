// The load menu's TAPE page: the host's directories and *.TAP images, with
// "<NEW EMPTY TAPE>" first.  Enter on an image puts it in the datassette;
// on the first entry it asks for a name and makes an empty tape.  P, R, S,
// W, F press the deck's PLAY, RECORD, STOP, REWIND and FAST FORWARD keys
// (the machine sees them when the menu is left), E takes the tape out.
// Below the list: the tape's name, the counter and the key that is down.
#pragma once
#include <string>

#include "ui/file_listing.h"

extern Listing TapeList;   // "<NEW EMPTY TAPE>", then "*.TAP" in the current directory

// The entry kind of "<NEW EMPTY TAPE>".
constexpr uint8_t EntryNewTape = 5;

struct TapePage {
    std::string message;   // why the last attach failed
};

// Fills TapeList from the current directory.
void BuildTapeList();
// Enter on an entry of TapeList (a file or the new tape).
void TapePageEnter(TapePage& page, int selection);
// The deck's keys on the page.
void TapePageKeys(TapePage& page);
// The page's own lines: the prompt and the deck's state; with no datassette,
// only why.
void DrawTapePageLines(const TapePage& page);
