#include "machine/machine_state.h"

// Raster timing arrives with the TED work; until then the raster stands.
void LineStep()
{
}
