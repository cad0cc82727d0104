#include "machine/machine_state.h"

// Rendering arrives with the TED work.
void RenderStep()
{
}

void DrawCursor()
{
}

void FillPixels8(uint32_t offset, uint8_t colour)
{
    for (int i = 0; i < 8; i++)
        FrameBuffer[offset + i] = colour;
}

void PutPixels8(uint32_t offset, const uint8_t pixels[8])
{
    for (int i = 0; i < 8; i++)
        FrameBuffer[offset + i] = pixels[i];
}
