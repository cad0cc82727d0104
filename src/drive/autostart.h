// Starting the first program of a disk the way a user at the machine would.
#pragma once
#include <string>

// Attaches an image or folder as drive 8 and, through the keyboard buffer,
// has BASIC load its first program as LOAD"*",8 typed at the keyboard does;
// with run, also RUN it (the machine's own Shift+RUN/STOP, which types
// DLOAD"* and RUN).  Call it while BASIC waits at READY, for example once
// the machine has booted; the load then takes its time through the drive.
// False with the reason in *message when the drive can't be attached.
bool StartDiskProgram(const std::string& path, bool run, std::string* message);
