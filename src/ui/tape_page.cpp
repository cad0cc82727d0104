#include "ui/tape_page.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "tape/datassette.h"
#include "ui/text.h"
#include "ui/text_entry.h"

Listing TapeList;

namespace {

constexpr Label PickTape = {8, 2, "SELECT A TAPE TO INSERT:", 0x71, 0x00};
constexpr Label NamePrompt = {1, 21, "NEW TAPE NAME:                         ", 0x71, 0x00};
constexpr uint8_t NameColumn = 16, NameRow = 21;
constexpr int NameLength = 16;
constexpr uint8_t StatusRow = 21, CounterColumn = 20, CounterRow = 22, KeysRow = 23;
constexpr size_t NameRoom = 32;   // columns 7-38
constexpr Label DeckKeys = {0, KeysRow, "P-PLAY R-REC S-STOP W-REW F-FFWD E-EJECT", 0x4F, 0x00};
constexpr Label DeckKeyLetters[] = {
    {0, KeysRow, "P", 0x45, 0x00},  {7, KeysRow, "R", 0x45, 0x00},  {13, KeysRow, "S", 0x45, 0x00},
    {20, KeysRow, "W", 0x45, 0x00}, {26, KeysRow, "F", 0x45, 0x00}, {33, KeysRow, "E", 0x45, 0x00},
};

constexpr struct {
    uint8_t key;
    DeckKey deck;
} DeckKeyTable[] = {
    {DIK_P, DeckKey::Play},   {DIK_R, DeckKey::Record},      {DIK_S, DeckKey::Stop},
    {DIK_W, DeckKey::Rewind}, {DIK_F, DeckKey::FastForward},
};

const char* KeyName(DeckKey key)
{
    switch (key) {
    case DeckKey::Play: return "PLAY  ";
    case DeckKey::Record: return "RECORD";
    case DeckKey::FastForward: return "FFWD  ";
    case DeckKey::Rewind: return "REWIND";
    case DeckKey::Stop: break;
    }
    return "STOP  ";
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void Attach(TapePage& page, const std::string& path)
{
    std::string message;
    if (TapeAttach(path, &message))
        page.message.clear();
    else
        page.message = Upper(message);
}

void MakeNewTape(TapePage& page)
{
    Draw(NamePrompt);
    char name[NameLength + 1] = {};
    if (EnterText(NameColumn, NameRow, NameLength, name) != EntryConfirmed || name[0] == '\0')
        return;
    std::string message;
    std::error_code ec;
    const std::string path = std::filesystem::absolute(std::string(name) + ".TAP", ec).string();
    if (ec || !TapeCreate(path, &message))
        page.message = ec ? "CAN'T MAKE THE TAPE" : Upper(message);
    else
        page.message.clear();
    BuildTapeList();
}

}  // namespace

void BuildTapeList()
{
    BuildListing(TapeList, "*.TAP");
    if (TapeList.count >= ListingCapacity)
        TapeList.count = ListingCapacity - 1;
    std::memmove(&TapeList.entries[1], &TapeList.entries[0], sizeof(ListingEntry) * static_cast<size_t>(TapeList.count));
    ListingEntry& entry = TapeList.entries[0];
    std::snprintf(entry.name, sizeof entry.name, "<NEW EMPTY TAPE>");
    std::snprintf(entry.fullName, sizeof entry.fullName, "<NEW EMPTY TAPE>");
    entry.kind = EntryNewTape;
    TapeList.count++;
}

void TapePageEnter(TapePage& page, int selection)
{
    if (!DatassettePresent() || selection < 0 || selection >= TapeList.count)
        return;
    const ListingEntry& entry = TapeList.entries[selection];
    if (entry.kind == EntryNewTape) {
        MakeNewTape(page);
        return;
    }
    if (entry.kind != EntryFile)
        return;
    std::error_code ec;
    const std::string path = std::filesystem::absolute(entry.fullName, ec).string();
    if (ec)
        page.message = "CAN'T FIND THE IMAGE";
    else
        Attach(page, path);
}

void TapePageKeys(TapePage& page)
{
    if (!DatassettePresent())
        return;
    for (const auto& k : DeckKeyTable) {
        if (KeyPressed(k.key) != 1)
            continue;
        if (!TapePressKey(k.deck))
            page.message = !TapeAttached() ? "NO TAPE IN THE DATASSETTE" : "THE TAPE IS WRITE-PROTECTED";
        WaitKeyRelease(k.key);
    }
    if (KeyPressed(DIK_E) == 1) {
        TapeDetach();
        page.message.clear();
        WaitKeyRelease(DIK_E);
    }
}

void DrawTapePageLines(const TapePage& page)
{
    Draw(PickTape);
    DrawText(1, StatusRow, "TAPE:", 0x41, 0x00);
    std::string shown;
    uint8_t ink = 0x71;
    if (!page.message.empty()) {
        shown = page.message;
        ink = 0x58;
    } else if (TapeAttached()) {
        shown = Upper(std::filesystem::path(TapeAttachedPath()).filename().string());
        if (TapeWriteProtected())
            shown += " (READ ONLY)";
    } else {
        shown = "EMPTY";
    }
    if (shown.size() > NameRoom)
        shown.resize(NameRoom);
    DrawText(7, StatusRow, shown.c_str(), ink, 0x00);
    char counter[24];
    std::snprintf(counter, sizeof counter, "%03u %s", TapeCounter(), KeyName(TapeKeyDown()));
    DrawText(CounterColumn, CounterRow, "COUNTER", 0x41, 0x00);
    DrawText(CounterColumn + 8, CounterRow, counter, 0x71, 0x00);
    Draw(DeckKeys);
    for (const Label& letter : DeckKeyLetters)
        Draw(letter);
}
