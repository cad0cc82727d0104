#include <cstring>

#include "drive/bus_port.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"

namespace {

// The reset line clears the bank latch, so that the KERNAL's reset entry
// (and its scan for cartridges) comes from bank 0.  The older model keeps
// the latch.
void ResetBankLatch()
{
    if (Config.Accuracy != 0)
        Ted.RomBank = 0;
}

}  // namespace

void SoftReset()
{
    Ted.ResetRequest = 1;
    JoystickMode = StartupJoystick;
    SoftResetRequest = 0;
    ResetBankLatch();
    DriveBusReset();   // the reset line reaches the drive too
}

void HardReset()
{
    // The TED registers are cleared in RAM directly, without the side
    // effects of register writes: timers and sound keep running.
    std::memset(Ram64 + 0xFF00, 0, 0x40);
    for (uint32_t a = 0; a < 0xFF00; a++)
        Ram64[a] = RamFillPattern(a);
    std::memset(Ram64 + 0xFF40, 0, 0xC0);
    Cpu.PC = 0;
    Cpu.XR = Cpu.YR = Cpu.AC = 0;
    Cpu.SP = 0xFF;
    Cpu.FlagN = Cpu.FlagV = Cpu.FlagB = Cpu.FlagD = Cpu.FlagI = Cpu.FlagZ = Cpu.FlagC = 0;
    Ted.RomEnabled = 1;
    Ted.ResetRequest = 1;
    Ted.RasterIrqDue = 0;
    // An interrupt noticed before the reset would be taken right after the
    // reset entry, through RAM vectors that now hold the fill pattern.
    Ted.IrqPending = 0;
    Ted.IrqDelay = 0;
    JoystickMode = StartupJoystick;
    Ted.RasterLine = 0;
    Ted.LinePosition = 0;
    Ted.FlashPhase = 0;
    // The measured model works its counters out again from the beam, and
    // the single clock counts from 0 as at power-on.
    Ted.ModelInUse = TedState::ModelNotSetUp;
    Ted.ClockAtLineStart = 0;
    // The interrupt line's times count from there too.
    Ted.IrqLine = 0;
    Ted.IrqLineRoseAt = Ted.IrqLineFellAt = Ted.RasterArmedAt = 0;
    HardResetRequest = 0;
    ResetBankLatch();
    // The model chosen in the options menu (or the settings) comes in now.
    if (UseMachineModel(static_cast<uint8_t>(Config.Model)))
        LogMachineModel();
    DriveBusReset();
}
