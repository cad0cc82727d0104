#include "machine/machine_state.h"

// Presentation arrives with the display work.
void PresentFrame()
{
    Ted.FrameEndArmed = 0;
}
