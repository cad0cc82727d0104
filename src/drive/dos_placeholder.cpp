// Stands in for the drive's DOS until it is built: nothing can be attached.
#include "drive/drive.h"

namespace {
const std::string NoPath;
}

bool DriveAttach(const std::string&, std::string* message)
{
    if (message)
        *message = "no drive yet";
    return false;
}
void DriveDetach() {}
bool DriveAttached() { return false; }
bool DriveWriteProtected() { return false; }
const std::string& DriveAttachedPath() { return NoPath; }
void DriveReset() {}
void DriveOpen(uint8_t, const uint8_t*, size_t) {}
void DriveClose(uint8_t) {}
void DriveListenByte(uint8_t, uint8_t) {}
void DriveEndListen(uint8_t) {}
bool DriveTalkByte(uint8_t, uint8_t*, bool*) { return false; }
bool DriveReadDirectory(DriveDirectory*) { return false; }
bool DriveReadFile(const std::vector<uint8_t>&, std::vector<uint8_t>*) { return false; }
