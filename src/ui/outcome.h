// The line a menu shows once a file operation is over, and the wait for
// Enter that follows it.
#pragma once
#include "ui/text.h"

constexpr Label OperationSuccessful = {0, 18, "          OPERATION SUCCESSFUL          ", 0x71, 0x00};
// Our own line for a file that could not be written or loaded: a menu must
// not claim success, nor close as if nothing had been asked.
constexpr Label OperationFailed = {0, 18, "            OPERATION FAILED            ", 0x3B, 0x00};

// "PRESS ENTER TO CONTINUE!" under the outcome, presented; returns once
// Enter has been pressed and released.
void WaitForEnterToContinue();
