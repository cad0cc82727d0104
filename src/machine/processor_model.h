// Which rules the processor follows, read from the Accuracy setting where
// the rules differ (pushing and pulling the status byte, the decimal flags,
// the undocumented opcodes built on ADC and SBC).  Accuracy=1: the NMOS 6502
// that the 7501/8501 is.  Accuracy=0: the older model, which keeps a B flag
// and its own decimal flags.  The check sits only off the binary arithmetic
// path, so the common instructions cost the same in both models.
#pragma once
#include "machine/settings.h"

inline bool NmosRules() { return Config.Accuracy != 0; }
