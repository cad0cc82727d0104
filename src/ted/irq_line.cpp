#include "ted/irq_line.h"

#include "machine/machine_state.h"
#include "ted/ted_names.h"
#include "ted/video_watch.h"

uint64_t TedUnitsNow() { return Ted.ClockAtLineStart * 4 + Ted.LinePosition; }

void IrqLineChanged(uint64_t at)
{
    uint8_t& request = Ram64[ted::IrqRequest];
    const bool level = (request & Ram64[ted::IrqEnable] & ted::IrqSources) != 0;
    const uint8_t shown = level ? static_cast<uint8_t>(request | ted::IrqActive)
                                : static_cast<uint8_t>(request & ~ted::IrqActive);
    if (shown != request) {
        BeforeVideoWrite(ted::IrqRequest);   // a video matrix at 0xFC00 shows it
        request = shown;
    }
    if (level != (Ted.IrqLine != 0)) {
        Ted.IrqLine = level;
        (level ? Ted.IrqLineRoseAt : Ted.IrqLineFellAt) = at;
        Ted.InterruptWatch = 1;
    } else if (level && at < Ted.IrqLineRoseAt && at > Ted.IrqLineFellAt) {
        Ted.IrqLineRoseAt = at;
    }
}

bool IrqLineActiveAt(uint64_t at)
{
    if (Ted.IrqLine)
        return Ted.IrqLineRoseAt < at;
    return Ted.IrqLineFellAt >= at && Ted.IrqLineRoseAt < at;
}
