// Starting a file as a person does: named on the command line or dropped
// on the window.  A program is loaded once BASIC is up and RUN; a snapshot
// is restored; a tape goes into the datassette, LOAD is typed, PLAY pressed
// and RUN follows the load; a cartridge goes into slot 1 and the machine is
// reset, so that the KERNAL finds it.  The loading happens at the main loop's request point, at an
// instruction boundary, like the load menu's.
#pragma once
#include <cstdint>
#include <string>

enum class StartFileKind { Program, Snapshot, DiskImage, TapeImage, Cartridge, Unknown };

// What the file is, by its name and size.  Missing, unreadable, a directory
// or another non-regular file (a named pipe is never opened), empty, or of
// no known kind: Unknown, with the reason in *problem.
StartFileKind ExamineStartFile(const std::string& path, std::string* problem);

// Loads the file now.  A program is RUN afterwards when `run` (RUN and
// RETURN typed through the key queue).  False with the reason in *problem;
// the machine is then as it was.
bool StartFileNow(const std::string& path, bool run, std::string* problem);

// Examines the file at once (a problem goes to the title and standard
// error, and the machine carries on) and keeps a good one until the
// machine has booted; then StartFileRequest is raised.
bool RequestStartFile(const std::string& path);
// Raised for the main loop when a requested file may start.
extern uint16_t StartFileRequest;
// Whether a requested file is still waiting for the machine to boot.
extern bool StartFileWaiting;
// The main loop's check after a frame end: raises StartFileRequest once the
// machine has run long enough to be at BASIC's prompt.
void CheckStartFileDue();
// The main loop's request: starts the waiting file and clears the flag.
void StartRequestedFile();

// Frames from power-on to BASIC's READY prompt, with a margin.
constexpr uint64_t StartFileBootFrames = 60;

void ResetStartFileState();
