// The script language of ravlin-headless, one command a line:
//   frames N | type TEXT | press KEY [N] | hold KEY | release KEY |
//   screen-text [FILE] | screenshot FILE | wav FILE |
//   load FILE | run | disk PATH | save-snapshot FILE | screenshot-window FILE |
//   tape PATH | tape play | tape record | tape stop | tape rewind | tape forward
// Blank lines and lines starting with # are ignored.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "file_commands.h"
#include "key_names.h"
#include "runner.h"

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Splits off the first word of s.
std::string_view NextWord(std::string_view& s)
{
    s = Trim(s);
    size_t end = s.find_first_of(" \t");
    std::string_view word = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view() : Trim(s.substr(end));
    return word;
}

// A key goes down; right after its own release, only once it has been
// seen up.
void KeyDown(RunPlan& plan, const PcKey* key)
{
    if (!plan.empty() && plan.back().kind == RunStep::KeyUp && plan.back().key == key)
        plan.push_back({RunStep::Wait, PressGapFrames, nullptr, {}});
    plan.push_back({RunStep::KeyDown, 0, key, {}});
}

void Press(RunPlan& plan, const PcKey* key, long frames)
{
    KeyDown(plan, key);
    plan.push_back({RunStep::Wait, frames, nullptr, {}});
    plan.push_back({RunStep::KeyUp, 0, key, {}});
}

// One script line; false with a message.
bool AddCommand(std::string_view line, RunPlan& plan, std::string& message)
{
    std::string_view rest = line;
    std::string_view command = NextWord(rest);
    long count = 0;
    if (command == "frames") {
        if (!ParseFrameCount(rest, count)) {
            message = std::string("frames ") + FrameCountRule;
            return false;
        }
        plan.push_back({RunStep::Wait, count, nullptr, {}});
        return true;
    }
    if (command == "type") {
        // The text is the rest of the line after one separating blank.
        std::string_view text = line.substr(line.find("type") + 4);
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        plan.push_back({RunStep::AwaitBasic, 0, nullptr, {}});
        return AddTyping(text, plan, message);
    }
    if (command == "press" || command == "hold" || command == "release") {
        std::string_view name = NextWord(rest);
        const PcKey* key = FindPcKey(name);
        if (!key) {
            message = "unknown key '" + std::string(name) + "'";
            return false;
        }
        // F12 would quit the program in the middle of the run, past the
        // script's remaining lines and the outputs of the command line.
        if (key == FindPcKey("F12") && command != "release") {
            message = "F12 would quit the emulator mid-run: a run ends by itself once its script and frames are done";
            return false;
        }
        if (command == "press") {
            count = DefaultPressFrames;
            if (!rest.empty() && !ParseFrameCount(rest, count)) {
                message = "press takes a key and a number of frames";
                return false;
            }
            Press(plan, key, count);
        } else {
            if (!rest.empty()) {
                message = std::string(command) + " takes one key";
                return false;
            }
            if (command == "hold")
                KeyDown(plan, key);
            else
                plan.push_back({RunStep::KeyUp, 0, key, {}});
        }
        return true;
    }
    if (command == "screen-text") {
        plan.push_back({RunStep::ScreenText, 0, nullptr, rest.empty() ? std::string() : StartDirectoryPath(rest)});
        return true;
    }
    if (command == "screenshot" || command == "wav") {
        if (rest.empty()) {
            message = std::string(command) + " needs a file name";
            return false;
        }
        plan.push_back({command == "wav" ? RunStep::Wav : RunStep::Screenshot, 0, nullptr, StartDirectoryPath(rest)});
        return true;
    }
    bool ok = true;
    if (AddFileCommand(command, rest, plan, &ok, message))
        return ok;
    message = "unknown command '" + std::string(command) + "'";
    return false;
}

// What --type and type take, worked out from the key table.
std::string TypableCharacters()
{
    std::string signs;
    for (int c = '!'; c <= '~'; c++)
        if (!std::isalnum(c) && KeyForCharacter(static_cast<char>(c)).key)
            signs += std::string(1, static_cast<char>(c)) + " ";
    return "it types letters, digits, space, " + signs + "and \\n for RETURN";
}

// The character at text[at] as the user wrote it: the whole of a UTF-8
// sequence, or the byte's value when it starts none.
std::string ShownCharacter(std::string_view text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                                                     : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    for (size_t k = 1; k < length; k++)
        if (at + k >= text.size() || (static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
            length = 0;
    if (length == 0) {
        char byte[16];
        std::snprintf(byte, sizeof byte, "the byte 0x%02X", lead);
        return byte;
    }
    if (lead < 0x20 || lead == 0x7F) {
        char control[32];
        std::snprintf(control, sizeof control, "the control character 0x%02X", lead);
        return control;
    }
    return "'" + std::string(text.substr(at, length)) + "'";
}

}  // namespace

bool ParseFrameCount(std::string_view text, long& count)
{
    static_assert(MaxFrames == 999'999'999, "nine digits");
    if (text.empty() || text.size() > 9)
        return false;
    count = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        count = count * 10 + (c - '0');
    }
    return true;
}

bool AddTyping(std::string_view text, RunPlan& plan, std::string& error)
{
    const PcKey* shift = FindPcKey("LSHIFT");
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (c == '\\') {
            // The machine's character set has no backslash: \n is the one
            // escape.
            if (i + 1 >= text.size() || text[i + 1] != 'n') {
                error = "the machine's keyboard has no backslash; " + TypableCharacters();
                return false;
            }
            c = '\n';
            i++;
        }
        TypedKey typed = KeyForCharacter(c);
        if (!typed.key) {
            error = "the machine's keyboard cannot type " + ShownCharacter(text, i) + "; " + TypableCharacters();
            return false;
        }
        if (typed.shift)
            plan.push_back({RunStep::KeyDown, 0, shift, {}});
        Press(plan, typed.key, TypeHoldFrames);
        // The key types this character, whatever the map.
        plan[plan.size() - 3].typed = c;
        if (typed.shift)
            plan.push_back({RunStep::KeyUp, 0, shift, {}});
        plan.push_back({RunStep::Wait, TypeGapFrames, nullptr, {}});
    }
    return true;
}

bool AddScriptText(const std::string& text, const std::string& source, RunPlan& plan, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); number++) {
        std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;
        std::string message;
        if (!AddCommand(line, plan, message)) {
            error = source + ":" + std::to_string(number) + ": " + message;
            return false;
        }
    }
    return true;
}

bool AddScriptFile(const std::string& path, RunPlan& plan, std::string& error)
{
    // A directory opens as a stream that reads nothing: not an empty
    // script.  (A pipe, such as the shell's <(...), is read as a file.)
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "script " + path + " is a directory";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in)
        text << in.rdbuf();
    if (!in || in.bad()) {
        error = "cannot read script " + path;
        return false;
    }
    return AddScriptText(text.str(), path, plan, error);
}

bool PlanWritesWav(const RunPlan& plan)
{
    for (const RunStep& step : plan)
        if (step.kind == RunStep::Wav)
            return true;
    return false;
}
