#include "files/program_file.h"
#include "files/snapshot_file.h"

// Program and snapshot files arrive with the files work.
bool LoadProgramFile(const char*) { return false; }
bool SaveProgramFile(const char*, uint16_t, uint16_t) { return false; }
bool SaveSnapshotFile(const char*) { return false; }
bool LoadSnapshotFile(const char*) { return false; }
