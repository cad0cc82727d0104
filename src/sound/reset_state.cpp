#include <cstring>

#include "machine/machine_state.h"
#include "sound/sound.h"
#include "sound/ted_sound.h"

void ResetSoundState()
{
    std::memcpy(VolumeTable, DefaultVolumeTable, sizeof VolumeTable);
    TedSound = TedSoundState{};
    for (TedVoice& voice : TedSound.Voice)
        voice.Remaining = 1024;
}
