#include "drive/autostart.h"

#include <cstring>

#include "drive/drive.h"
#include "machine/machine_state.h"

namespace {

// The KERNAL's keyboard buffer: ten characters from 0x0527, their count at
// 0xEF.  The screen editor reads it whenever BASIC waits for a line.
constexpr uint16_t KeyboardBuffer = 0x0527;
constexpr uint16_t KeyboardCount = 0xEF;
constexpr char LoadFirstProgram[] = "LOAD\"*\",8\r";
// Shift+RUN/STOP: the editor expands it to DLOAD"*, RETURN, RUN, RETURN.
constexpr uint8_t ShiftRunStop = 0x83;

}  // namespace

bool StartDiskProgram(const std::string& path, bool run, std::string* message)
{
    if (!DriveAttach(path, message))
        return false;
    if (!Ram64)
        return true;
    if (run) {
        Ram64[KeyboardBuffer] = ShiftRunStop;
        Ram64[KeyboardCount] = 1;
    } else {
        static_assert(sizeof LoadFirstProgram - 1 <= 10, "the keyboard buffer holds ten characters");
        std::memcpy(Ram64 + KeyboardBuffer, LoadFirstProgram, sizeof LoadFirstProgram - 1);
        Ram64[KeyboardCount] = sizeof LoadFirstProgram - 1;
    }
    return true;
}
