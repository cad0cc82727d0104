// Drive 8: a disk drive as the bus sees it, at the level of bytes and
// channels.  The bus port (bus_port.cpp) turns the KERNAL's handshakes on the
// parallel interface into the calls below; the drive's DOS behind them
// (channels, command channel, error channel, directory listing) keeps its
// files on a D64 image or in a host folder.
//
// Channels are the secondary addresses 0-15: 0 is LOAD, 1 is SAVE, 2-14 are
// data files, 15 is the command and error channel.  Names and data are the
// machine's own bytes (PETSCII); the DOS maps names to ASCII for host folders.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- Attaching ----------------------------------------------------------
// Attaches a .d64 image or a host folder as drive 8 (detaching what was
// there).  On failure returns false with the reason in *message, e.g. an
// image size that is not one of the four D64 sizes; the drive is then empty.
bool DriveAttach(const std::string& path, std::string* message);
void DriveDetach();
bool DriveAttached();
bool DriveWriteProtected();
// A disk in the 1541 has a write-protect tab the menu can move; the
// built-in drive takes the protection from the file's permission alone.
bool DriveTabSwitchable();
void SetDriveWriteProtected(bool on);
// The path given to DriveAttach, empty when nothing is attached.
const std::string& DriveAttachedPath();

// Power-on, resets and snapshot loads: every channel closed, the error
// channel reports "73,...".  What is attached stays attached.
void DriveReset();

// ---- The bus side ---------------------------------------------------------
// OPEN: the name bytes that followed the secondary address 0xF0 | channel,
// handed over at UNLISTEN (an empty name is allowed: OPEN 15,8,15).
void DriveOpen(uint8_t channel, const uint8_t* name, size_t length);
// CLOSE: secondary address 0xE0 | channel.  A file written on the channel is
// completed, and a changed image written back, here.
void DriveClose(uint8_t channel);
// A data byte sent while the drive listens on the channel (0x60 | channel).
// On channel 15 the bytes collect into a command.
void DriveListenByte(uint8_t channel, uint8_t byte);
// UNLISTEN after data: a command collected on channel 15 is carried out.
void DriveEndListen(uint8_t channel);
// The next byte while the drive talks on the channel (0x60 | channel).  False
// when the channel has nothing to send (not open, file not found, already
// ended): the computer then sees no data and end of file.  *last is set on
// the final byte, which the bus sends with EOI.  Channel 15 sends the
// current error message, then resets it to "00, OK,00,00".
bool DriveTalkByte(uint8_t channel, uint8_t* byte, bool* last);

// ---- For the menus ----------------------------------------------------------
struct DriveDirectoryEntry {
    std::vector<uint8_t> name;   // up to 16 PETSCII bytes, no padding
    uint16_t blocks = 0;
    std::string type;            // "PRG", "SEQ", "USR", "REL", "DEL"
};
struct DriveDirectory {
    std::vector<uint8_t> diskName;   // up to 16 PETSCII bytes
    std::vector<uint8_t> diskId;     // 2 bytes
    std::vector<uint8_t> dosType;    // 2 bytes, "2A", shown after the id
    std::vector<DriveDirectoryEntry> entries;
    uint16_t blocksFree = 0;
};
// The attached disk's directory; false when nothing is attached or the
// directory can't be read.
bool DriveReadDirectory(DriveDirectory* directory);
// A whole file by its exact name (no wildcards), load address included.
// On failure *problem (when given) holds the drive's error message, such
// as "66,ILLEGAL TRACK OR SECTOR,40,00".
bool DriveReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes, std::string* problem = nullptr);
