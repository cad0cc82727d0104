// File names as the drive sees them: the text OPEN sends ("@0:NAME,S,W"),
// the checks on a name, the DOS pattern match, and the mapping between
// PETSCII names and the names of a host folder's files.
#include "drive/dos.h"

namespace {

constexpr uint8_t Return = 0x0D;
constexpr uint8_t ShiftedSpace = 0xA0;   // pads names in a directory entry

// Bytes a name may not hold: control codes of either half, the padding
// byte, the quote (it ends a name in a listing) and the characters that
// separate the parts of a DOS command.
bool OddNameByte(uint8_t b)
{
    return b < 0x20 || (b >= 0x80 && b <= ShiftedSpace) || b == '"' || b == ',' || b == ':' || b == '=';
}

uint8_t FoldLetter(uint8_t b)
{
    if (b >= 0xC1 && b <= 0xDA)
        return static_cast<uint8_t>(b - 0x80);
    if (b >= 0x61 && b <= 0x7A)
        return static_cast<uint8_t>(b - 0x20);
    return b;
}

}  // namespace

bool ParseOpenName(const uint8_t* bytes, size_t length, ParsedName* parsed, uint8_t* error)
{
    *parsed = ParsedName{};
    *error = DosOk;
    std::vector<uint8_t> text(bytes, bytes + length);
    while (!text.empty() && text.back() == Return)
        text.pop_back();
    size_t start = 0;
    if (!text.empty() && text[0] == '$') {
        parsed->directory = true;
        start = 1;
    } else if (!text.empty() && text[0] == '@') {
        parsed->replace = true;
        start = 1;
    }
    // A drive number before a colon ("0:", ":"); drive 0 is the only one.
    size_t colon = start;
    while (colon < text.size() && text[colon] != ':' && text[colon] != ',')
        colon++;
    if (colon < text.size() && text[colon] == ':') {
        for (size_t i = start; i < colon; i++)
            if (text[i] != '0') {
                *error = DosSyntaxError;
                return false;
            }
        start = colon + 1;
    } else if (parsed->directory) {
        // "$" or "$0": the whole directory.
        for (size_t i = start; i < text.size(); i++)
            if (text[i] != '0') {
                *error = DosSyntaxError;
                return false;
            }
        start = text.size();
    }
    size_t comma = start;
    while (comma < text.size() && text[comma] != ',')
        comma++;
    parsed->name.assign(text.begin() + static_cast<long>(start), text.begin() + static_cast<long>(comma));
    // The options after the name: a type and a mode, each by its first letter.
    while (comma < text.size()) {
        size_t next = comma + 1;
        while (next < text.size() && text[next] != ',')
            next++;
        uint8_t letter = comma + 1 < text.size() ? text[comma + 1] : 0;
        switch (letter) {
        case 'S': parsed->type = FileSeq; break;
        case 'P': parsed->type = FilePrg; break;
        case 'U': parsed->type = FileUsr; break;
        case 'L': parsed->type = FileRel; break;
        case 'R':
        case 'W':
        case 'A':
        case 'M': parsed->mode = static_cast<char>(letter); break;
        default:
            *error = DosSyntaxError;
            return false;
        }
        comma = next;
    }
    return true;
}

uint8_t CheckName(const std::vector<uint8_t>& name, bool wildcardsAllowed)
{
    if (name.empty())
        return DosSyntaxNoName;
    if (name.size() > MaxNameLength)
        return DosSyntaxBadName;
    for (uint8_t b : name)
        if (OddNameByte(b) || (!wildcardsAllowed && (b == '*' || b == '?')))
            return DosSyntaxBadName;
    return DosOk;
}

bool NameMatches(const std::vector<uint8_t>& pattern, const std::vector<uint8_t>& name)
{
    for (size_t i = 0;; i++) {
        if (i < pattern.size() && pattern[i] == '*')
            return true;
        if (i == pattern.size() || i == name.size())
            return i == pattern.size() && i == name.size();
        if (pattern[i] != '?' && pattern[i] != name[i])
            return false;
    }
}

std::vector<uint8_t> FoldedName(const std::vector<uint8_t>& name)
{
    std::vector<uint8_t> folded;
    for (uint8_t b : name)
        folded.push_back(FoldLetter(b));
    return folded;
}

bool SameNameFolded(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (FoldLetter(a[i]) != FoldLetter(b[i]))
            return false;
    return true;
}

std::vector<uint8_t> PetsciiFromHostName(const std::string& name)
{
    std::vector<uint8_t> petscii;
    for (char c : name) {
        auto b = static_cast<uint8_t>(c);
        if (b >= 'a' && b <= 'z')
            petscii.push_back(static_cast<uint8_t>(b - 0x20));
        else if (b >= 0x20 && b <= 0x5F)
            petscii.push_back(b);
        else
            petscii.push_back(0xA6);   // no counterpart: a checkered block
    }
    return petscii;
}

bool HostNameFromPetscii(const std::vector<uint8_t>& name, std::string* host)
{
    host->clear();
    for (uint8_t b : name) {
        if (b >= 0x41 && b <= 0x5A)
            host->push_back(static_cast<char>(b + 0x20));
        else if (FoldLetter(b) != b)
            host->push_back(static_cast<char>(FoldLetter(b)));
        else if (b >= 0x20 && b <= 0x5F && b != '/')
            host->push_back(static_cast<char>(b));
        else
            return false;
    }
    return !host->empty() && *host != "." && *host != "..";
}
