#include "screen_text.h"

#include "files/bmp_writer.h"
#include "machine/machine_state.h"
#include "ted/palette.h"

bool WriteFrameBufferBmp(const char* path)
{
    return WriteBmp8(path, FrameBuffer, FrameWidth, FrameLines, MachinePalette);
}
