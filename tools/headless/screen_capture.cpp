#include <cstdio>

#include "screen_capture.h"
#include "screen_text.h"

bool WriteScreenText(const std::string& path)
{
    const std::string text = ScreenText();
    if (path.empty())
        return std::fputs(text.c_str(), stdout) >= 0;
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file && std::fclose(file) != 0)
        ok = false;
    if (!ok)
        std::fprintf(stderr, "ravlin-headless: cannot write %s\n", path.c_str());
    return ok;
}

bool WriteScreenshotFile(const std::string& path)
{
    if (WriteFrameBufferBmp(path.c_str()))
        return true;
    std::fprintf(stderr, "ravlin-headless: cannot write %s\n", path.c_str());
    return false;
}
