#include "screen_text.h"

#include "files/bmp_writer.h"
#include "files/safe_save.h"
#include "machine/machine_state.h"
#include "ted/palette.h"

bool WriteFrameBufferBmp(const char* path)
{
    return SaveFileReplacingVia(path, [](const char* temporary) {
        return WriteBmp8(temporary, FrameBuffer, FrameWidth, FrameLines, MachinePalette);
    });
}
