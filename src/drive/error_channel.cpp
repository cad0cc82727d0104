// The error channel (secondary address 15, talk side): the drive's last
// result as "NN,TEXT,TT,SS" and a carriage return.  Reading it to the end
// puts it back to "00, OK,00,00".
#include <cstdio>

#include "drive/dos.h"

namespace {

struct ErrorText {
    uint8_t code;
    const char* text;
};
// The messages of the drive's DOS.  Numbers below 20 are not errors; their
// texts begin with a space, as the drive sends them.
constexpr ErrorText ErrorTexts[] = {
    {0, " OK"},
    {1, " FILES SCRATCHED"},
    {20, "READ ERROR"},
    {21, "READ ERROR"},
    {22, "READ ERROR"},
    {23, "READ ERROR"},
    {24, "READ ERROR"},
    {25, "WRITE ERROR"},
    {26, "WRITE PROTECT ON"},
    {27, "READ ERROR"},
    {28, "WRITE ERROR"},
    {29, "DISK ID MISMATCH"},
    {30, "SYNTAX ERROR"},
    {31, "SYNTAX ERROR"},
    {32, "SYNTAX ERROR"},
    {33, "SYNTAX ERROR"},
    {34, "SYNTAX ERROR"},
    {60, "WRITE FILE OPEN"},
    {61, "FILE NOT OPEN"},
    {62, "FILE NOT FOUND"},
    {63, "FILE EXISTS"},
    {64, "FILE TYPE MISMATCH"},
    {66, "ILLEGAL TRACK OR SECTOR"},
    {70, "NO CHANNEL"},
    {71, "DIR ERROR"},
    {72, "DISK FULL"},
    {73, "CBM DOS V2.6 1551"},
    {74, "DRIVE NOT READY"},
};

struct ErrorChannel {
    DosError error{DosVersion, 0, 0};
    std::string message;   // being sent; empty until the first byte is asked for
    size_t position = 0;
};
ErrorChannel Channel;

}  // namespace

void SetDriveError(DosError error)
{
    Channel.error = error;
    Channel.message.clear();
    Channel.position = 0;
}

void SetDriveError(uint8_t code, uint8_t track, uint8_t sector)
{
    SetDriveError(DosError{code, track, sector});
}

DosError CurrentDriveError()
{
    return Channel.error;
}

std::string DriveErrorMessage(DosError error)
{
    const char* text = "SYNTAX ERROR";
    for (const ErrorText& e : ErrorTexts)
        if (e.code == error.code)
            text = e.text;
    char line[64];
    std::snprintf(line, sizeof line, "%02u,%s,%02u,%02u", error.code % 100u, text, error.track % 100u,
                  error.sector % 100u);
    return line;
}

bool ErrorChannelTalkByte(uint8_t* byte, bool* last)
{
    if (Channel.message.empty()) {
        Channel.message = DriveErrorMessage(Channel.error) + '\r';
        Channel.position = 0;
    }
    *byte = static_cast<uint8_t>(Channel.message[Channel.position++]);
    *last = Channel.position == Channel.message.size();
    if (*last)
        SetDriveError(DosOk);
    return true;
}

const char* FileTypeName(uint8_t type)
{
    constexpr const char* Names[] = {"DEL", "SEQ", "PRG", "USR", "REL"};
    return type < 5 ? Names[type] : "???";
}
