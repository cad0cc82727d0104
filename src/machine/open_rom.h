// Ravlin's own boot ROM, assembled by the build from rom/*.s: the command
// line at 0x8000-0xBFFF (where BASIC would be) and the KERNAL at
// 0xC000-0xFFFF.  Used when the Commodore images are not found, or with
// OpenRom=1.
#pragma once
#include <cstdint>

constexpr uint32_t OpenRomSize = 32768;
extern const uint8_t OpenRomImage[OpenRomSize];

// The text said once (log, standard error, title) when both images are
// missing and the open ROM runs instead; with one of them missing the text
// names it.
constexpr char OpenRomNotice[] = "No Commodore ROM images found: running Ravlin's open ROM";
