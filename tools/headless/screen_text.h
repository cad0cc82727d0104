// What ravlin-headless prints and saves about the picture.
#pragma once
#include <string>

// ScreenText: the 25 rows of the text screen, as the clipboard copy takes
// them (each row ends with a line feed).
#include "platform/desktop.h"

// Writes the whole 456 x 312 FrameBuffer as an 8-bit BMP with the machine's
// palette.  Returns whether every byte was written; a failure keeps the
// earlier file of that name.
bool WriteFrameBufferBmp(const char* path);
