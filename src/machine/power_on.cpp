#include <cstring>

#include "cartridge/cartridge.h"
#include "drive/bus_port.h"
#include "machine/log.h"
#include "machine/machine_model.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "platform/devices.h"
#include "platform/setup.h"
#include "tape/cassette_port.h"
#include "tape/datassette.h"

void ResetMachineToPowerOn()
{
    ReleaseAll();
    CloseLog();
    Config = DefaultSettings();

    std::memset(BasicRom, 0, sizeof BasicRom);
    std::memset(KernalRom, 0, sizeof KernalRom);
    std::memset(FunctionRomLo, 0, sizeof FunctionRomLo);
    std::memset(FunctionRomHi, 0, sizeof FunctionRomHi);
    FunctionRomHalves = 0;
    std::memset(FrameBuffer, 0, sizeof FrameBuffer);
    FramePeriod = 0;
    LastFrameTime = 0;

    ScreenshotRequest = OptionsMenuRequest = LoadMenuRequest = SaveMenuRequest = 0;
    DebuggerRequest = SoftResetRequest = HardResetRequest = 0;
    StatusLineOn = ShiftHeld = 0;
    Breakpoint = 0;
    BreakpointEnabled = 0;
    AppActive = 0;
    PumpCounter = 0;
    PairCycles = HalfCycleCarry = 0;
    JoystickMode = StartupJoystick = 0;
    SavedPriorityClass = 0;

    ResetCpuState();
    ResetTedState();
    ResetSoundState();
    ResetInputState();
    ResetPlatformState();
    ResetUiState();
    ResetFilesState();
    ResetDebuggerState();
    ResetDriveState();
    ResetTapeState();
    ResetCartridgeState();
    ResetMachineModel();
    ResetCassettePortState();
    ResetPlatformBackend();
}
