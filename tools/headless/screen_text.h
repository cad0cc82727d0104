// What ravlin-headless prints and saves about the picture.
#pragma once
#include <string>

// The 25 rows of the text screen: the character codes of the video matrix
// that 0xFF14 selects, without their reverse bit, as ASCII letters, digits
// and punctuation, anything else as '.', trailing blanks trimmed; each row
// ends with a line feed.
std::string ScreenText();

// Writes the whole 456 x 312 FrameBuffer as an 8-bit BMP with the machine's
// palette.  Returns whether every byte was written.
bool WriteFrameBufferBmp(const char* path);
