#include "machine/machine_model.h"

#include <cstring>

#include "cartridge/cartridge.h"
#include "machine/log.h"
#include "machine/machine_state.h"
#include "ted/video_watch.h"

uint8_t MachineModel = ModelPlus4;
uint16_t RamAddressMask = 0xFFFF;

namespace {

constexpr const char* ModelNames[3] = {"Plus/4", "C16/C116 16K", "C16 64K"};

void SetRamSize(bool sixteenK)
{
    RamAddressMask = sixteenK ? 0x3FFF : 0xFFFF;
    if (!Ram64)
        return;
    // Every page watched on the C16, so that the processor's writes reach
    // the image; and the image made anew.
    Ted.Watch.valid = 0;
    RefreshVideoWatch();
    RefreshRamImage();
}

}  // namespace

const char* MachineModelName(uint8_t model) { return ModelNames[model <= ModelC16With64K ? model : ModelPlus4]; }

bool FunctionRomPresent() { return FunctionRomHalves == 2 && MachineModel == ModelPlus4; }

bool UseMachineModel(uint8_t model)
{
    if (model > ModelC16With64K)
        model = ModelPlus4;
    if (model == MachineModel)
        return false;
    // Whatever the beam has passed is drawn from the memory it saw.
    if (Ram64)
        FlushRender();
    MachineModel = model;
    SetRamSize(model == ModelC16);
    // Without the function ROM its bank shows BASIC and the KERNAL.
    Ted.RomBank = BankLatchValue(Ted.RomBank);
    return true;
}

void LogMachineModel() { LogLine("Info: Machine model: %s.\n", MachineModelName(MachineModel)); }

void ResetMachineModel()
{
    MachineModel = ModelPlus4;
    RamAddressMask = 0xFFFF;
}

void RefreshRamImage()
{
    if (RamAddressMask != 0xFFFF && Ram64)
        std::memcpy(Ram64 + RamImageOffset, Ram64, RamImageOffset);
}
