// LoadSnapshotFile on any file, into exactly 64 KiB of RAM: a file of the
// snapshot's size loads, any other is refused; then the machine runs from
// whatever state it is in for a while.
#include <cstdint>
#include <cstdlib>

#include "cpu/cpu.h"
#include "files/snapshot_file.h"
#include "fuzz/fuzz_support.h"
#include "machine/machine_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzDirectory();
    WriteFuzzFile("in.fre", data, size);
    PowerOnWithExactRam();
    if (LoadSnapshotFile("in.fre") != (size == SnapshotFileSize))
        std::abort();
    for (int i = 0; i < 3000; i++) {
        ExecuteInstruction();
        InterruptCheck();
        TimerStep();
        LineStep();
        RenderStep();
    }
    if (size >= SnapshotFileSize && !SaveSnapshotFile("out.fre"))
        std::abort();
    ReleaseExactRam();
    return 0;
}
