#include <cstring>

#include "machine/machine_state.h"
#include "sound/sound.h"

void ResetSoundState()
{
    std::memcpy(VolumeTable, DefaultVolumeTable, sizeof VolumeTable);
}
