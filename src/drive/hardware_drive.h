// Drive 8 as hardware: a disk drive with its own processor running its own
// DOS ROM, on the machine's serial bus.  Today the one type is the 1541 (a
// 6502 at 1 MHz on the Drive1541 board); a 1551 would be a second board
// with its 6510T at 2 MHz and its TIA on the parallel port, the same disk
// (DiskHead, GcrDisk) and the same clock and image handling here.
//
// The drive never runs ahead of the machine.  The machine's side calls
// HardwareDriveCatchUp before every access to the bus lines (a read or
// write of the processor port) and once a frame; the drive then runs up
// to the machine's time, so that each side sees the other's lines as
// they are at the cycle of its own access (see hardware_drive_run.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drive/disk_image_file.h"
#include "drive/drive1541.h"

enum class HardwareDriveType : uint8_t { None, Cbm1541 };

// The DOS ROM, read at start-up from where the system ROMs are found (or
// handed over by the web page).  False, nothing kept, for a file of the
// wrong size; a size of 0 forgets the ROM (the drive leaves the bus).
bool SetHardwareDriveRom(const uint8_t* bytes, size_t size);
bool HardwareDriveRomPresent();

// Whether an attachment of `path` goes to the hardware drive: Drive8=1, the
// ROM present, and a file (not a folder).
bool HardwareDriveWanted(const std::string& path);
// Inserts a D64 or G64 image (the drive powered on with the machine, or
// reset with it, is already there).  False with the reason in *message.
bool HardwareDriveInsert(const std::string& path, std::string* message);
// Takes the disk out, writing back first what the drive wrote; the drive
// stays on the bus, empty.
void HardwareDriveEject();
bool HardwareDriveHasDisk();
const std::string& HardwareDriveImagePath();
// The write-protect tab: from the file's permission at insertion, or set by
// the menu.  Only with a disk in.
bool HardwareDriveWriteProtected();
void SetHardwareDriveWriteProtected(bool on);
// The drive is on the bus (a disk was inserted since start-up or the last
// eject): the serial port then reads the lines as they are.
bool HardwareDriveOnBus();
HardwareDriveType CurrentHardwareDriveType();

// Runs the drive up to the machine's time now.
void HardwareDriveCatchUp();
// After the machine changed the lines.
void HardwareDriveBusChanged();
// Once a frame: the drive up to the machine, what it wrote saved back once
// its motor stopped, and a message for the title when that failed.
void HardwareDriveFrame();
// The RESET line (the machine's soft and hard reset reach the drive) and
// a snapshot load: the processor restarts, the chips reset, the disk stays.
void HardwareDriveReset();
// Power-on: the drive off the bus and every part of it, its RAM, head and
// clock included, as at start-up (the ROM is given again at start-up).
void ResetHardwareDriveState();
// After a snapshot load: the drive reset and already past its boot, idle.
void HardwareDriveRestartIdle();
// The drive leaves the bus (what it wrote saved first): drive 8 is then
// the built-in drive, or nothing.  The next insertion switches it on again.
void HardwareDriveSwitchOff();
// Writes back what the drive wrote (at the program's end, on eject).
// *message gets a line per problem; false when something was not saved.
bool HardwareDriveSave(std::string* message);
// A problem writing the image back, once, for the title.
std::string TakeHardwareDriveMessage();

// The disk as it stands, as a D64 for the menus to read: a D64's image with
// the tracks the drive wrote decoded into it, a G64's tracks decoded into
// a blank 35-track image (tracks that don't decode read as empty).
bool HardwareDriveDiskAsD64(std::vector<uint8_t>* bytes);

// What the window title shows while the motor runs.
bool HardwareDriveMotorOn();
bool HardwareDriveLedOn();
int HardwareDriveTrack();   // 1-42; a half-track shows as the track below
// DriveWarp: the machine runs unpaced while the motor runs.
bool DriveWarpActive();

// For tests and the benchmark: the board, the drive's own cycle count and
// the part of it counted in idle rounds rather than run.
Drive1541& HardwareDriveBoard();
uint64_t HardwareDriveCycles();
uint64_t HardwareDriveIdleCycles();
