#include "tape/tape_start.h"

#include <cstring>
#include <filesystem>

#include "machine/machine_state.h"
#include "tape/datassette.h"

namespace {

// The KERNAL's keyboard buffer: ten characters from 0x0527, their count at
// 0xEF.  BASIC reads the second line only once the first has finished, so
// RUN waits for the end of the load.
constexpr uint16_t KeyboardBuffer = 0x0527;
constexpr uint16_t KeyboardCount = 0xEF;
constexpr char LoadLine[] = "LOAD\r";
constexpr char LoadAndRunLines[] = "LOAD\rRUN\r";
static_assert(sizeof LoadAndRunLines - 1 <= 10, "the keyboard buffer holds ten characters");

}  // namespace

bool StartTapeProgram(const std::string& path, bool run, std::string* message)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        *message = "no such file";
        return false;
    }
    if (!TapeAttach(path, message))
        return false;
    if (!TapeAttached() || !Ram64)
        return true;
    TapePressKey(DeckKey::Play);
    const char* typed = run ? LoadAndRunLines : LoadLine;
    const size_t length = std::strlen(typed);
    std::memcpy(Ram64 + KeyboardBuffer, typed, length);
    Ram64[KeyboardCount] = static_cast<uint8_t>(length);
    return true;
}
