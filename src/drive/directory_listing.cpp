// LOAD"$": the directory as a BASIC program.  The first line (number 0)
// shows the disk name in reverse, the id and the DOS type; each file is a
// line numbered by its blocks with its quoted name and type; the last line
// is numbered by the free blocks and reads "BLOCKS FREE.".  The links are
// placeholders: the computer relinks the lines after loading.
#include "drive/dos.h"

namespace {

constexpr uint16_t ListingLoadAddress = 0x0401;
constexpr uint8_t ReverseOn = 0x12;

void Line(std::vector<uint8_t>* out, uint16_t number, const std::vector<uint8_t>& text)
{
    out->insert(out->end(), {0x01, 0x01, static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8)});
    out->insert(out->end(), text.begin(), text.end());
    out->push_back(0x00);
}

void Append(std::vector<uint8_t>* text, const char* ascii)
{
    while (*ascii)
        text->push_back(static_cast<uint8_t>(*ascii++));
}

// Bytes of a name or id from the disk.  A zero byte would end the BASIC line
// early and the rest would read as the next line's link and number (a
// listing of garbage), so it shows as '?'.
void AppendFromDisk(std::vector<uint8_t>* text, const std::vector<uint8_t>& bytes)
{
    for (uint8_t b : bytes)
        text->push_back(b ? b : static_cast<uint8_t>('?'));
}

}  // namespace

std::vector<uint8_t> DirectoryProgram(const StoredDirectory& directory, const std::vector<uint8_t>& pattern)
{
    std::vector<uint8_t> out = {static_cast<uint8_t>(ListingLoadAddress), static_cast<uint8_t>(ListingLoadAddress >> 8)};

    std::vector<uint8_t> header = {ReverseOn, '"'};
    AppendFromDisk(&header, directory.diskName);
    header.resize(2 + MaxNameLength, ' ');
    header.insert(header.end(), {'"', ' '});
    AppendFromDisk(&header, directory.diskId);
    header.push_back(' ');
    AppendFromDisk(&header, directory.dosType);
    Line(&out, 0, header);

    for (const StoredFile& file : directory.files) {
        if (!pattern.empty() && !NameMatches(pattern, file.name))
            continue;
        // Names line up whatever the width of the block count.
        std::vector<uint8_t> text;
        Append(&text, file.blocks < 10 ? "   " : file.blocks < 100 ? "  " : file.blocks < 1000 ? " " : "");
        text.push_back('"');
        AppendFromDisk(&text, file.name);
        text.push_back('"');
        for (size_t i = file.name.size(); i < MaxNameLength; i++)
            text.push_back(' ');
        text.push_back(file.closed ? ' ' : '*');   // '*': never completed
        Append(&text, FileTypeName(file.type));
        text.push_back(file.locked ? '<' : ' ');
        Line(&out, file.blocks, text);
    }

    std::vector<uint8_t> footer;
    Append(&footer, "BLOCKS FREE.             ");
    Line(&out, directory.blocksFree, footer);
    out.insert(out.end(), {0x00, 0x00});
    return out;
}
