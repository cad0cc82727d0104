// The runner's pictures of the machine: the text on the screen and a
// screenshot of the frame buffer as it stands.
#pragma once
#include <string>

// To standard output when path is empty.  False when the file cannot be written.
bool WriteScreenText(const std::string& path);
bool WriteScreenshotFile(const std::string& path);
