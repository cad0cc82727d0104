// The drive's DOS inside: the error state, the store that keeps the files
// (a D64 image or a host folder behind one small set of functions), names,
// and the channel helpers the command channel shares.  Not for use outside
// src/drive: the rest of the program goes through drive.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drive/drive.h"

// ---- Errors -----------------------------------------------------------------
// A DOS result: the drive's error number and the track and sector it names.
struct DosError {
    uint8_t code = 0;
    uint8_t track = 0;
    uint8_t sector = 0;
};

// The drive's error numbers (the ones this DOS gives).
constexpr uint8_t DosOk = 0;
constexpr uint8_t DosFilesScratched = 1;
constexpr uint8_t DosReadError = 20;
constexpr uint8_t DosNoSync = 21;   // a track the drive finds nothing on: never formatted
constexpr uint8_t DosWriteError = 25;
constexpr uint8_t DosWriteProtectOn = 26;
constexpr uint8_t DosSyntaxError = 30;
constexpr uint8_t DosSyntaxUnknownCommand = 31;
constexpr uint8_t DosSyntaxLineTooLong = 32;
constexpr uint8_t DosSyntaxBadName = 33;
constexpr uint8_t DosSyntaxNoName = 34;
constexpr uint8_t DosFileNotOpen = 61;
constexpr uint8_t DosWriteFileOpen = 60;
constexpr uint8_t DosFileNotFound = 62;
constexpr uint8_t DosFileExists = 63;
constexpr uint8_t DosFileTypeMismatch = 64;
constexpr uint8_t DosIllegalTrackOrSector = 66;
constexpr uint8_t DosNoChannel = 70;
constexpr uint8_t DosDiskFull = 72;
constexpr uint8_t DosVersion = 73;
constexpr uint8_t DosDriveNotReady = 74;

// The error channel's current message, "NN,TEXT,TT,SS" and a carriage return.
void SetDriveError(DosError error);
void SetDriveError(uint8_t code, uint8_t track = 0, uint8_t sector = 0);
DosError CurrentDriveError();
std::string DriveErrorMessage(DosError error);   // without the return
// Channel 15's talk side: the message byte by byte, then back to "00, OK".
bool ErrorChannelTalkByte(uint8_t* byte, bool* last);

// ---- File types -------------------------------------------------------------
// The type numbers of a directory entry's low bits.
constexpr uint8_t FileDel = 0, FileSeq = 1, FilePrg = 2, FileUsr = 3, FileRel = 4;
const char* FileTypeName(uint8_t type);   // "DEL", "SEQ", ...

// ---- The store --------------------------------------------------------------
struct StoredFile {
    std::vector<uint8_t> name;   // PETSCII, no padding
    uint8_t type = FilePrg;      // FileDel ... FileRel
    uint16_t blocks = 0;
    bool closed = true;          // false: the entry of a file never completed
    bool locked = false;
};
struct StoredDirectory {
    std::vector<uint8_t> diskName;   // PETSCII, no padding
    std::vector<uint8_t> diskId;     // 2 bytes
    std::vector<uint8_t> dosType;    // 2 bytes, "2A"
    std::vector<StoredFile> files;   // in directory order
    uint16_t blocksFree = 0;
    bool headerRead = false;         // false: not even the disk's name and id could be read
};

enum class StoreKind : uint8_t { None, Image, Folder };

struct DriveStoreState {
    StoreKind kind = StoreKind::None;
    std::string path;        // absolute: the menus may change directory later
    std::string givenPath;   // as DriveAttach was given it
    bool writeProtected = false;
};
extern DriveStoreState DriveStore;
// The built-in drive has an image or folder (DriveAttached also counts a
// disk in the hardware drive).
bool StoreAttached();

// Image files: a whole regular file of at most `limit` bytes, read without
// blocking (false with the reason in *message); and whether an image can be
// written back (the file at the end of its links and that file's folder
// writable: a file without any write permission counts as write-protected
// even for the superuser).
bool ReadImageFile(const std::string& path, size_t limit, std::vector<uint8_t>* bytes, std::string* message);
bool ImageWritable(const std::string& path);

// Each returns the DOS result.  Names are exact (no wildcards); the DOS
// matches patterns against StoreReadDirectory's names first.  Changes reach
// the host at once (an image is written back whole, atomically).
DosError StoreReadDirectory(StoredDirectory* directory);
DosError StoreReadFile(const std::vector<uint8_t>& name, std::vector<uint8_t>* bytes);
// Writes a new file, or with replace puts it in place of the old one.
DosError StoreWriteFile(const std::vector<uint8_t>& name, uint8_t type, const std::vector<uint8_t>& bytes,
                        bool replace);
// Scratches the files of these names, each found before any goes (a
// folder's drive names may change as its files go); *scratched counts them.
DosError StoreScratch(const std::vector<std::vector<uint8_t>>& names, uint8_t* scratched);
DosError StoreRename(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to);
// With an empty id only the directory is cleared and the old id kept.
DosError StoreFormat(const std::vector<uint8_t>& diskName, const std::vector<uint8_t>& id);
DosError StoreValidate();
// The number of bytes a file may still grow to before the disk is full.
size_t StoreRoomForFile();

// ---- Names ------------------------------------------------------------------
constexpr size_t MaxNameLength = 16;

// A name as OPEN sends it: "@0:NAME,S,W", "$0:PAT*", "0:NAME", "NAME,P".
struct ParsedName {
    bool directory = false;   // "$": the directory listing
    bool replace = false;     // "@": replace an existing file
    std::vector<uint8_t> name;
    uint8_t type = 0xFF;      // FileSeq ... ; 0xFF when not given
    char mode = 0;            // 'R', 'W', 'A', 'M'; 0 when not given
};
// False with *error set when the text is no valid name.
bool ParseOpenName(const uint8_t* bytes, size_t length, ParsedName* parsed, uint8_t* error);
// The checks for a name: length, odd bytes, and wildcards where a file is
// made.  Returns 0 or the syntax error's number.
uint8_t CheckName(const std::vector<uint8_t>& name, bool wildcardsAllowed);
// The DOS pattern match: '?' any one character, '*' the rest.
bool NameMatches(const std::vector<uint8_t>& pattern, const std::vector<uint8_t>& name);
// Letters folded so that either case of the host name and either PETSCII
// letter set compare equal.
bool SameNameFolded(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
std::vector<uint8_t> FoldedName(const std::vector<uint8_t>& name);
// Host names <-> PETSCII.  Letters of either case read as the machine's
// unshifted letters (capitals on its screen); those are written in lower
// case, the shifted letters in upper case.  False for a PETSCII name the
// host can't hold.
std::vector<uint8_t> PetsciiFromHostName(const std::string& name);
bool HostNameFromPetscii(const std::vector<uint8_t>& name, std::string* host);

// ---- The directory as a BASIC program ------------------------------------------
// The bytes LOAD"$" gives: load address, one line per file, "BLOCKS FREE.".
std::vector<uint8_t> DirectoryProgram(const StoredDirectory& directory, const std::vector<uint8_t>& pattern);

// ---- The command channel ----------------------------------------------------
void RunDriveCommand(const std::vector<uint8_t>& command);
// Every data channel closed: files being written are completed (or, with
// complete false, dropped).
void CloseDataChannels(bool complete);
// Whether a data channel is writing this name now.
bool NameBeingWritten(const std::vector<uint8_t>& name);
