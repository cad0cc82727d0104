// The settings file parser on any text: never a fault, and a value it
// applies is one of the ten fields (the struct is all it may touch).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "machine/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    struct Guarded {
        uint8_t before[64];
        Settings s;
        uint8_t after[64];
    } g{};
    g.s = DefaultSettings();
    ParseSettingsText(std::string(reinterpret_cast<const char*>(data), size), g.s);
    // Then every ranged value lies within its range.
    ApplySettingRanges(g.s);
    if (g.s.ScreenMode > HighestScreenMode || g.s.Priority > HighestPriority || g.s.Sync > HighestSync ||
        g.s.Joystick > HighestJoystick)
        std::abort();
    for (int i = 0; i < 64; i++)
        if (g.before[i] || g.after[i])
            std::abort();
    return 0;
}
