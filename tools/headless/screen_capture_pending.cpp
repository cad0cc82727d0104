#include <cstdio>

#include "screen_capture.h"

// The screen readers arrive with the picture work; until then they say so.
bool WriteScreenText(const std::string&)
{
    std::fprintf(stderr, "ravlin-headless: screen text is not available yet\n");
    return false;
}

bool WriteScreenshotFile(const std::string&)
{
    std::fprintf(stderr, "ravlin-headless: screenshots are not available yet\n");
    return false;
}
