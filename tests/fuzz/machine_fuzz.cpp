// The processor and the TED together on random memory: random RAM, ROM
// images, TED registers and processor registers, in every TED video mode
// (extended colour, bitmap, multicolour) and every screen mode, run through
// more than one frame with the picture copied to the display surface.  RAM
// is exactly 64 KiB; the ROM images and the frame buffer are globals with
// AddressSanitizer's red zones around them.
//
// Input: [screen mode, sync] [video mode, machine model in bits 4-5] [64 TED
// registers] [A X Y SP P PCL PCH] then bytes repeated to fill RAM and the
// ROM images.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cpu/cpu.h"
#include "fuzz/fuzz_support.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/startup.h"
#include "ted/memory_map.h"

namespace {
constexpr size_t HeaderSize = 2 + 64 + 7;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < HeaderSize)
        return 0;
    const uint32_t screenMode = data[0] % 7;
    const uint32_t sync = (data[0] >> 4) % 3 == 1 ? 2 : (data[0] >> 4) % 3;   // no blank waits
    uint8_t* ram = BootWithExactRam(screenMode, sync);

    const uint8_t* fill = data + HeaderSize;
    const size_t fillSize = size - HeaderSize;
    if (fillSize) {
        for (uint32_t a = 0; a < 0x10000; a++)
            ram[a] = fill[a % fillSize];
        for (uint32_t a = 0; a < RomSize; a++) {
            BasicRom[a] = fill[(a + 7) % fillSize];
            KernalRom[a] = fill[(a + 13) % fillSize];
            FunctionRomLo[a] = fill[(a + 17) % fillSize];
            FunctionRomHi[a] = fill[(a + 19) % fillSize];
        }
    }
    // The registers through the memory map, as a program would write them,
    // then the video mode bits forced: 0xFF06 bits 5-6 (bitmap, extended
    // colour), 0xFF07 bit 4 (multicolour).
    const uint8_t* regs = data + 2;
    for (int r = 0; r < 0x40; r++)
        if (r != 0x3E && r != 0x3F)   // ROM banking: chosen below
            WriteByte(static_cast<uint16_t>(0xFF00 + r), regs[r]);
    const uint8_t mode = data[1];
    UseMachineModel(static_cast<uint8_t>((mode >> 4) % 3));
    WriteByte(0xFF06, static_cast<uint8_t>((ram[0xFF06] & 0x9F) | ((mode & 3) << 5)));
    WriteByte(0xFF07, static_cast<uint8_t>((ram[0xFF07] & 0xEF) | ((mode & 4) << 2)));
    WriteByte(mode & 8 ? 0xFF3E : 0xFF3F, 0);

    const uint8_t* cpu = data + 66;
    Cpu.AC = cpu[0];
    Cpu.XR = cpu[1];
    Cpu.YR = cpu[2];
    Cpu.SP = cpu[3];
    UnpackStatus(cpu[4]);
    Cpu.PC = static_cast<uint16_t>(cpu[5] | (cpu[6] << 8));

    // The main loop itself (double-speed pairs, resets the program asks
    // for), for two frames or at most 40,000 passes.
    AppActive = 1;
    int exitCode = 0;
    const uint64_t frames = Ted.FramesCompleted;
    for (int pass = 0; pass < 40000 && Ted.FramesCompleted < frames + 2; pass++)
        if (!MainLoopPass(&exitCode) || !Ram64)
            std::abort();
    ReleaseExactRam();
    return 0;
}
