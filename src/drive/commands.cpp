// The command channel: the commands BASIC's disk commands and OPEN 15
// send.  S scratches, R renames, C copies, I initialises, N formats, V
// validates, UI/UJ reset the drive.  Each leaves its result on the error
// channel.
#include "drive/dos.h"

namespace {

constexpr size_t CommandLimit = 58;
constexpr uint8_t Return = 0x0D;

using Bytes = std::vector<uint8_t>;

// Splits at every occurrence of the separator.
std::vector<Bytes> Split(const Bytes& text, uint8_t separator)
{
    std::vector<Bytes> parts(1);
    for (uint8_t b : text) {
        if (b == separator)
            parts.emplace_back();
        else
            parts.back().push_back(b);
    }
    return parts;
}

// The text after the command word and drive number ("S0:" "SCRATCH:").
// False when there is no colon: the command names no file.
bool Arguments(const Bytes& command, Bytes* arguments)
{
    for (size_t i = 0; i < command.size(); i++)
        if (command[i] == ':') {
            arguments->assign(command.begin() + static_cast<long>(i) + 1, command.end());
            return true;
        }
    return false;
}

DosError Scratch(const Bytes& arguments)
{
    if (DriveStore.writeProtected)
        return DosError{DosWriteProtectOn, 0, 0};
    std::vector<Bytes> patterns = Split(arguments, ',');
    for (const Bytes& pattern : patterns)
        if (uint8_t syntax = CheckName(pattern, true))
            return DosError{syntax, 0, 0};
    // The names every pattern matches, from one reading of the directory.
    StoredDirectory directory;
    if (DosError error = StoreReadDirectory(&directory); error.code)
        return error;
    std::vector<Bytes> names;
    for (const StoredFile& file : directory.files) {
        if (file.locked || !file.closed || file.type == FileDel || NameBeingWritten(file.name))
            continue;
        for (const Bytes& pattern : patterns)
            if (NameMatches(pattern, file.name)) {
                names.push_back(file.name);
                break;
            }
    }
    uint8_t scratched = 0;
    if (DosError error = StoreScratch(names, &scratched); error.code)
        return error;
    return DosError{DosFilesScratched, scratched, 0};
}

DosError Rename(const Bytes& arguments)
{
    std::vector<Bytes> names = Split(arguments, '=');
    if (names.size() != 2)
        return DosError{DosSyntaxError, 0, 0};
    for (const Bytes& name : names)
        if (uint8_t syntax = CheckName(name, false))
            return DosError{syntax, 0, 0};
    return StoreRename(names[1], names[0]);
}

// C0:NEW=OLD, or C0:NEW=A,B,C to join files into one.
DosError Copy(const Bytes& arguments)
{
    std::vector<Bytes> sides = Split(arguments, '=');
    if (sides.size() != 2)
        return DosError{DosSyntaxError, 0, 0};
    if (uint8_t syntax = CheckName(sides[0], false))
        return DosError{syntax, 0, 0};
    StoredDirectory directory;
    if (DosError error = StoreReadDirectory(&directory); error.code)
        return error;
    Bytes joined;
    uint8_t type = 0xFF;
    for (const Bytes& source : Split(sides[1], ',')) {
        if (uint8_t syntax = CheckName(source, false))
            return DosError{syntax, 0, 0};
        for (const StoredFile& file : directory.files)
            if (file.closed && file.name == source && type == 0xFF)
                type = file.type;
        Bytes bytes;
        if (DosError error = StoreReadFile(source, &bytes); error.code)
            return error;
        joined.insert(joined.end(), bytes.begin(), bytes.end());
    }
    return StoreWriteFile(sides[0], type == 0xFF ? FileSeq : type, joined, false);
}

DosError Format(const Bytes& arguments)
{
    std::vector<Bytes> parts = Split(arguments, ',');
    if (parts.size() > 2)
        return DosError{DosSyntaxError, 0, 0};
    if (uint8_t syntax = CheckName(parts[0], false))
        return DosError{syntax, 0, 0};
    Bytes id = parts.size() == 2 ? parts[1] : Bytes{};
    if (parts.size() == 2 && (id.empty() || id.size() > 2))
        return DosError{DosSyntaxError, 0, 0};
    return StoreFormat(parts[0], id);
}

// Reads the disk's header again: a disk never formatted, or one whose BAM
// can't be read, answers why.
DosError Initialise()
{
    StoredDirectory directory;
    DosError error = StoreReadDirectory(&directory);
    return directory.headerRead ? DosError{} : error;
}

}  // namespace

void RunDriveCommand(const std::vector<uint8_t>& text)
{
    Bytes command = text;
    while (!command.empty() && command.back() == Return)
        command.pop_back();
    if (command.empty())
        return;
    if (command.size() > CommandLimit)
        return SetDriveError(DosSyntaxLineTooLong);
    if (command[0] == 'U' && command.size() >= 2 && (command[1] == 'I' || command[1] == 'J' || command[1] == ':' ||
                                                     command[1] == '9' || command[1] == ';')) {
        CloseDataChannels(false);
        return SetDriveError(DosVersion);
    }
    if (!StoreAttached())
        return SetDriveError(DosDriveNotReady);
    Bytes arguments;
    bool named = Arguments(command, &arguments);
    switch (command[0]) {
    case 'I':
        return SetDriveError(Initialise());
    case 'V':
        return SetDriveError(StoreValidate());
    case 'S':
        return SetDriveError(named ? Scratch(arguments) : DosError{DosSyntaxNoName, 0, 0});
    case 'R':
        return SetDriveError(named ? Rename(arguments) : DosError{DosSyntaxNoName, 0, 0});
    case 'C':
        return SetDriveError(named ? Copy(arguments) : DosError{DosSyntaxNoName, 0, 0});
    case 'N':
        return SetDriveError(named ? Format(arguments) : DosError{DosSyntaxNoName, 0, 0});
    default:
        return SetDriveError(DosSyntaxUnknownCommand);
    }
}
