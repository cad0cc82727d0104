#include "drive/hardware_drive.h"

#include <filesystem>
#include <system_error>

#include "drive/d64_image.h"
#include "drive/gcr_d64.h"
#include "drive/hardware_drive_run.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "serial/serial_port.h"
#include "ted/irq_line.h"
#include "ted/line_setup.h"

namespace {

// The machine's time is counted in quarters of the TED's single clock
// (TedUnitsNow): PAL 17,734,475 Hz / 5, NTSC 14,318,180 Hz / 4.  The drive's
// 16 MHz crystal / 16 gives 1,000,000 cycles a second, so one unit is
// 200,000 / 709,379 drive cycles in PAL and 200,000 / 715,909 in NTSC.
constexpr uint64_t DriveCyclesPerUnitsNumerator = 200000;
constexpr uint64_t PalUnitsDenominator = 709379;
constexpr uint64_t NtscUnitsDenominator = 715909;
constexpr uint64_t DriveBootCycles = 1500000;

struct HardwareDriveState {
    HardwareDriveType type = HardwareDriveType::None;
    Drive1541 board;
    std::vector<uint8_t> rom;
    bool hasDisk = false;
    DiskImageFile file;
    bool onBus = false;
    // The clock: the machine's units last seen, and the drive's cycle the
    // machine has reached (with the fraction left over, in units of the
    // denominator).
    uint64_t lastUnits = 0;
    uint64_t reached = 0;
    uint64_t fraction = 0;
    bool motorWasOn = false;
    std::string message;
};

HardwareDriveState State;

inline HardwareDriveState& H() { return State; }

void ConnectBoard(HardwareDriveState& h)
{
    Drive1541Connect(h.board, &MachineSerialBus, 0, 8);
    h.board.rom = h.rom;
    h.onBus = true;
    // Its clock starts from the machine's time now.
    h.lastUnits = Ram64 ? TedUnitsNow() : 0;
    h.reached = DriveProcessorCycles();
    h.fraction = 0;
    h.motorWasOn = false;
}

// The machine's time now as a drive cycle: every drive access before the
// returned cycle happens before the machine's access now.
uint64_t MachineTimeInDriveCycles(HardwareDriveState& h)
{
    CatchUpToAccess();   // inside an instruction: the TED at the access's cycle
    const uint64_t units = TedUnitsNow();
    if (units < h.lastUnits) {
        // The machine's clock started again (a hard reset): the drive's
        // time goes on from where it is.
        h.lastUnits = units;
        return h.reached;
    }
    const uint64_t denominator = Ted.ModelInUse == 1 && Ted.Ntsc ? NtscUnitsDenominator : PalUnitsDenominator;
    uint64_t scaled = (units - h.lastUnits) * DriveCyclesPerUnitsNumerator + h.fraction;
    h.lastUnits = units;
    if (scaled >= 4 * denominator) {
        h.reached += scaled / denominator;
        scaled %= denominator;
    }
    while (scaled >= denominator) {   // the usual few cycles: no division
        h.reached++;
        scaled -= denominator;
    }
    h.fraction = scaled;
    // A machine access part-way into a drive cycle comes after that cycle's
    // own access.
    return h.reached + (h.fraction != 0 ? 1 : 0);
}

// A drive that goes on (with its first disk, or after a snapshot load)
// counts as switched on a while before: its DOS has booted (the RAM test
// alone takes a second) by the time the machine looks.  Nothing on the bus
// changes meanwhile, so it runs on its own and its clock is then tied to
// the machine's.
void BootAhead(HardwareDriveState& h)
{
    DriveProcessorRunTo(h.board, DriveProcessorCycles() + DriveBootCycles);
    h.lastUnits = Ram64 ? TedUnitsNow() : 0;
    h.reached = DriveProcessorCycles();
    h.fraction = 0;
}

}  // namespace

bool SetHardwareDriveRom(const uint8_t* bytes, size_t size)
{
    HardwareDriveState& h = H();
    if (size == 0) {
        HardwareDriveSwitchOff();
        h.rom.clear();
        h.board.rom.clear();
        h.type = HardwareDriveType::None;
        return true;
    }
    if (size != Dos1541RomBytes)
        return false;
    h.rom.assign(bytes, bytes + size);
    h.type = HardwareDriveType::Cbm1541;
    h.board.rom = h.rom;
    return true;
}

bool HardwareDriveRomPresent() { return H().type != HardwareDriveType::None; }

bool HardwareDriveWanted(const std::string& path)
{
    std::error_code ec;
    return Config.Drive8 == 1 && HardwareDriveRomPresent() && !path.empty() &&
           !std::filesystem::is_directory(path, ec);
}

bool HardwareDriveInsert(const std::string& path, std::string* message)
{
    HardwareDriveState& h = H();
    if (!HardwareDriveRomPresent()) {
        *message = "dos1541.bin not found: no 1541";
        return false;
    }
    GcrDisk disk;
    DiskImageFile file;
    if (!LoadDiskImageFile(path, &disk, &file, message))
        return false;
    HardwareDriveEject();
    if (!h.onBus) {
        // The drive is switched on with the first disk.
        ConnectBoard(h);
        HardwareDriveReset();
        BootAhead(h);
    }
    HardwareDriveCatchUp();
    Drive1541Insert(h.board, std::move(disk));
    DriveProcessorLinesChanged(h.board);
    h.file = std::move(file);
    h.hasDisk = true;
    return true;
}

void HardwareDriveEject()
{
    HardwareDriveState& h = H();
    if (!h.hasDisk)
        return;
    HardwareDriveCatchUp();
    std::string problem;
    HardwareDriveSave(&problem);
    if (!problem.empty())
        h.message = problem;
    Drive1541Eject(h.board);
    DriveProcessorLinesChanged(h.board);
    h.hasDisk = false;
    h.file = DiskImageFile{};
}

bool HardwareDriveHasDisk() { return H().hasDisk; }
const std::string& HardwareDriveImagePath() { return H().file.path; }
bool HardwareDriveWriteProtected() { return H().hasDisk && H().board.disk.writeProtected; }

void SetHardwareDriveWriteProtected(bool on)
{
    if (H().hasDisk)
        H().board.disk.writeProtected = on;
}

bool HardwareDriveOnBus() { return H().onBus; }
HardwareDriveType CurrentHardwareDriveType() { return H().onBus ? H().type : HardwareDriveType::None; }

void HardwareDriveCatchUp()
{
    HardwareDriveState& h = H();
    if (!h.onBus || !Ram64) [[likely]]
        return;
    DriveProcessorRunTo(h.board, MachineTimeInDriveCycles(h));
}

void HardwareDriveBusChanged()
{
    HardwareDriveState& h = H();
    if (!h.onBus)
        return;
    Drive1541BusChanged(h.board);
    DriveProcessorLinesChanged(h.board);
}

void HardwareDriveFrame()
{
    HardwareDriveState& h = H();
    if (!h.onBus)
        return;
    HardwareDriveCatchUp();
    const bool motorOn = h.board.head.motorOn;
    if (h.motorWasOn && !motorOn) {
        // The DOS stops the motor a while after its last job: what it wrote
        // goes back into the image file then.
        std::string problem;
        HardwareDriveSave(&problem);
        if (!problem.empty())
            h.message = problem;
    }
    h.motorWasOn = motorOn;
}

void HardwareDriveReset()
{
    HardwareDriveState& h = H();
    if (!h.onBus)
        return;
    Drive1541Reset(h.board);
    DriveProcessorReset(h.board);
}

void HardwareDriveRestartIdle()
{
    HardwareDriveState& h = H();
    if (!h.onBus)
        return;
    HardwareDriveReset();
    BootAhead(h);
}

void HardwareDriveSwitchOff()
{
    HardwareDriveState& h = H();
    if (h.hasDisk)
        HardwareDriveEject();
    if (h.onBus)
        SerialDetachDevice(MachineSerialBus, 0);
    h.onBus = false;
    h.motorWasOn = false;
}

void ResetHardwareDriveState()
{
    HardwareDriveSwitchOff();
    State = HardwareDriveState{};
    ResetDriveProcessorState();
}

bool HardwareDriveSave(std::string* message)
{
    HardwareDriveState& h = H();
    message->clear();
    if (!h.hasDisk)
        return true;
    std::string problems;
    const bool saved = SaveDiskImageFile(h.board.disk, h.file, &problems);
    if (!problems.empty()) {
        if (problems.back() == '\n')
            problems.pop_back();
        *message = problems;
    }
    return saved;
}

std::string TakeHardwareDriveMessage()
{
    std::string message;
    message.swap(H().message);
    return message;
}

bool HardwareDriveDiskAsD64(std::vector<uint8_t>* bytes)
{
    HardwareDriveState& h = H();
    if (!h.hasDisk)
        return false;
    const bool g64 = h.file.kind == DiskImageKind::G64;
    *bytes = g64 ? std::vector<uint8_t>(D64Bytes35, 0) : h.file.d64;
    std::string problems;
    GcrDiskIntoD64(h.board.disk, *bytes, !g64, &problems);
    return true;
}

bool HardwareDriveMotorOn() { return H().onBus && H().board.head.motorOn; }
bool HardwareDriveLedOn() { return H().onBus && Drive1541LedOn(H().board); }
int HardwareDriveTrack() { return DiskHeadTrack(H().board.head); }
bool DriveWarpActive() { return Config.DriveWarp != 0 && HardwareDriveMotorOn(); }

Drive1541& HardwareDriveBoard() { return H().board; }
uint64_t HardwareDriveCycles() { return DriveProcessorCycles(); }
uint64_t HardwareDriveIdleCycles() { return DriveProcessorIdleCycles(); }
