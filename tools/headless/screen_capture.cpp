#include "screen_capture.h"

#include <cstdio>

#include "screen_text.h"

bool WriteScreenText(const std::string& path)
{
    std::string text = ScreenText();
    if (path.empty()) {
        std::fputs(text.c_str(), stdout);
        return true;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

bool WriteScreenshotFile(const std::string& path)
{
    return WriteFrameBufferBmp(path.c_str());
}
