// Starting the first program of a tape the way a person at the machine
// would: the tape goes in, LOAD is typed and PLAY pressed, and RUN follows
// once the KERNAL has loaded it.
#pragma once
#include <string>

// Call while BASIC waits at READY (the keyboard buffer takes the typing).
// False with the reason in *message when the tape can't go in.
bool StartTapeProgram(const std::string& path, bool run, std::string* message);
