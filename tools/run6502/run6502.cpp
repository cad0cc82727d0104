// run6502 [--cycles] [--max-cycles N] [--accuracy 0|1] FILE [ARGS...]
//
// Runs a program built with cc65 for its simulator target (cl65 -t sim6502)
// on this emulator's processor, in 64 KiB of flat RAM with nothing mapped
// (no ROM, no processor port, no I/O), as sim65 runs it, and serves the
// simulator's calls itself: open, close, read, write, the program's
// arguments and exit, entered by a JSR or JMP to 0xFFF4-0xFFF9.  It prints
// what the program writes and exits with the program's exit code.  The
// plain `cl65 -t sim6502` build (its default linker configuration) runs.
//
// With --cycles the processor cycles are printed to standard error.  As the
// simulator counts them, the count ends with the instruction before the one
// that enters exit.
//
// As sim65 does, it starts with every byte of memory $FF and gives its own
// failure codes a program's exit(1) cannot be mistaken for: 127 when the
// image cannot be loaded (missing, empty, not an image, for another
// processor) or the processor cannot go on, 126 when the program runs out
// of time (--max-cycles, or it jumps to itself and so never ends).  sim65
// stops on $FF, an opcode it does not know; on the NMOS processor $FF is an
// instruction, so run6502 stops when the processor reaches a $FF outside
// the loaded image instead: unset memory, reached by a wild jump, a
// truncated image or a BRK whose vector at $FFFE was never set.  The JAM
// opcodes stop it too.  Images built for the 65C02 (cl65 -t sim65c02) are
// refused: the machine's processor has none of the CMOS opcodes.
//
// The processor follows the NMOS 6502's rules for the status byte pushed by
// PHP and BRK and for the decimal-mode flags (the emulator's Accuracy=1);
// --accuracy 0 runs the emulator's older model instead.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cpu/core.h"
#include "machine/version.h"

namespace {

constexpr uint16_t HookOpen = 0xFFF4;
constexpr uint16_t HookClose = 0xFFF5;
constexpr uint16_t HookRead = 0xFFF6;
constexpr uint16_t HookWrite = 0xFFF7;
constexpr uint16_t HookArgs = 0xFFF8;
constexpr uint16_t HookExit = 0xFFF9;

constexpr int UsageFailure = 1;   // a wrong command line, as sim65
constexpr int SimFailure = 127;   // no image, or the processor cannot go on
constexpr int SimTimeOut = 126;   // out of cycles, or looping for ever

uint8_t Memory[0x10000];
// The processor: a core over flat RAM.
CpuCore Core{};
CpuRegisters& Cpu = Core.regs;

uint8_t StackPointerAddress;  // the zero-page address of the C stack pointer
std::vector<std::string> ProgramArguments;

struct Image {
    uint16_t loadAddress;
    uint16_t resetAddress;
    std::vector<uint8_t> data;
};

void Fail(const char* message, const char* detail = "")
{
    std::fprintf(stderr, "run6502: %s%s\n", message, detail);
    std::exit(SimFailure);
}

// The simulator's image: "sim65", version 2, processor 0 (6502), the
// address of the C stack pointer, load address, reset address, then data.
Image LoadImage(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::fprintf(stderr, "run6502: cannot open %s: %s\n", path, std::strerror(errno));
        std::exit(SimFailure);
    }
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() <= 0x10000)
        bytes.insert(bytes.end(), buffer, buffer + got);
    bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed)
        Fail("cannot read ", path);

    if (bytes.size() < 12 || std::memcmp(bytes.data(), "sim65", 5) != 0)
        Fail("not a sim65 program image: ", path);
    if (bytes[5] != 2)
        Fail("unsupported sim65 image version in ", path);
    if (bytes[6] == 1)
        Fail("the image is built for the 65C02 (cl65 -t sim65c02); run6502 runs 6502 code only "
             "(cl65 -t sim6502): ", path);
    if (bytes[6] != 0)
        Fail("unknown processor type in ", path);
    StackPointerAddress = bytes[7];
    Image image;
    image.loadAddress = static_cast<uint16_t>(bytes[8] | (bytes[9] << 8));
    image.resetAddress = static_cast<uint16_t>(bytes[10] | (bytes[11] << 8));
    image.data.assign(bytes.begin() + 12, bytes.end());
    if (image.loadAddress + image.data.size() > 0x10000)
        Fail("the program does not fit in 64 KiB: ", path);
    return image;
}

uint16_t PeekWord(uint16_t address)
{
    return static_cast<uint16_t>(Memory[address] | (Memory[static_cast<uint16_t>(address + 1)] << 8));
}

void PokeWord(uint16_t address, uint16_t value)
{
    Memory[address] = static_cast<uint8_t>(value);
    Memory[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(value >> 8);
}

// The return address of the JSR that called the simulator.
uint16_t PullReturn()
{
    const uint8_t low = Memory[0x0100 + static_cast<uint8_t>(Cpu.SP + 1)];
    const uint8_t high = Memory[0x0100 + static_cast<uint8_t>(Cpu.SP + 2)];
    Cpu.SP = static_cast<uint8_t>(Cpu.SP + 2);
    return static_cast<uint16_t>(low | (high << 8));
}

uint16_t CStackPointer() { return PeekWord(StackPointerAddress); }
void SetCStackPointer(uint16_t value) { PokeWord(StackPointerAddress, value); }

// A parameter pushed on the C stack, which then drops by `drop` bytes.
uint16_t PopParameter(unsigned drop)
{
    uint16_t sp = CStackPointer();
    uint16_t value = PeekWord(sp);
    SetCStackPointer(static_cast<uint16_t>(sp + drop));
    return value;
}

uint16_t GetAX() { return static_cast<uint16_t>(Cpu.AC | (Cpu.XR << 8)); }
void SetAX(uint16_t value)
{
    Cpu.AC = static_cast<uint8_t>(value);
    Cpu.XR = static_cast<uint8_t>(value >> 8);
}

void ServeOpen()
{
    // open(name, flags, ...): Y holds the bytes of parameters pushed.
    unsigned pushed = Cpu.YR;
    uint16_t mode = PopParameter(pushed >= 4 ? pushed - 4 : 0);
    uint16_t flags = PopParameter(2);
    uint16_t name = PopParameter(2);
    if (pushed < 6)
        mode = 0x01 | 0x02;  // no mode given

    std::string path;
    for (uint16_t a = name; Memory[a] != 0 && path.size() < 1024; a++)
        path += static_cast<char>(Memory[a]);

    int hostFlags;
    switch (flags & 0x03) {
    case 0x01: hostFlags = O_RDONLY; break;
    case 0x02: hostFlags = O_WRONLY; break;
    default: hostFlags = O_RDWR; break;
    }
    if (flags & 0x10) hostFlags |= O_CREAT;
    if (flags & 0x20) hostFlags |= O_TRUNC;
    if (flags & 0x40) hostFlags |= O_APPEND;
    if (flags & 0x80) hostFlags |= O_EXCL;
    int hostMode = ((mode & 0x01) ? 0444 : 0) | ((mode & 0x02) ? 0222 : 0);
    int fd = ::open(path.c_str(), hostFlags, hostMode);
    SetAX(static_cast<uint16_t>(fd));
}

void ServeClose()
{
    int fd = GetAX();
    // The standard streams stay open for the tool itself.
    int result = fd <= 2 ? 0 : ::close(fd);
    SetAX(static_cast<uint16_t>(result));
}

void ServeRead()
{
    unsigned count = GetAX();
    uint16_t buffer = PopParameter(2);
    int fd = PopParameter(2);
    std::vector<uint8_t> data(count);
    ssize_t got = count ? ::read(fd, data.data(), count) : 0;
    for (ssize_t i = 0; i < got; i++)
        Memory[static_cast<uint16_t>(buffer + i)] = data[static_cast<size_t>(i)];
    SetAX(static_cast<uint16_t>(got));
}

void ServeWrite()
{
    unsigned count = GetAX();
    uint16_t buffer = PopParameter(2);
    int fd = PopParameter(2);
    std::vector<uint8_t> data(count);
    for (unsigned i = 0; i < count; i++)
        data[i] = Memory[static_cast<uint16_t>(buffer + i)];
    ssize_t written = count ? ::write(fd, data.data(), count) : 0;
    SetAX(static_cast<uint16_t>(written));
}

// argc and argv: the pointer array goes just below the C stack pointer, the
// strings below it, and the stack pointer below them.  AX holds &argv.
void ServeArgs()
{
    uint16_t argvVariable = GetAX();
    uint16_t sp = CStackPointer();
    uint16_t pointers = static_cast<uint16_t>(sp - (ProgramArguments.size() + 1) * 2);
    PokeWord(argvVariable, pointers);
    sp = pointers;
    for (const std::string& argument : ProgramArguments) {
        sp = static_cast<uint16_t>(sp - (argument.size() + 1));
        for (size_t i = 0; i <= argument.size(); i++)
            Memory[static_cast<uint16_t>(sp + i)] = static_cast<uint8_t>(argument.c_str()[i]);
        PokeWord(pointers, sp);
        pointers = static_cast<uint16_t>(pointers + 2);
    }
    PokeWord(pointers, 0);
    SetCStackPointer(sp);
    SetAX(static_cast<uint16_t>(ProgramArguments.size()));
}

// Why a run of the core ended before its budget.
enum class Halt : uint8_t { None, Hook, Unset, Loop, Jam };

Halt Halted = Halt::None;
uint16_t ImageStart;
uint32_t ImageSize;
uint32_t LastPc = 0x10000;   // the instruction before the one about to run
uint64_t LastStart = 0;      // and the cycle it started on

bool InImage(uint16_t address) { return static_cast<uint16_t>(address - ImageStart) < ImageSize; }

// 64 KiB of RAM, nothing mapped.  Before each instruction: the simulator's
// calls, unset memory and an instruction that left PC where it was end the
// run; the jams end it by themselves.
struct FlatBus {
    static uint8_t Read(uint16_t address, uint64_t) { return Memory[address]; }
    static void Write(uint16_t address, uint8_t value, uint64_t) { Memory[address] = value; }
    static bool Trap(uint16_t pc, uint64_t cycle)
    {
        // The simulator's entry points lie in unset memory, which holds $FF.
        if (Memory[pc] == 0xFF) [[unlikely]] {
            if (static_cast<uint16_t>(pc - HookOpen) <= HookExit - HookOpen)
                return EndRun(Halt::Hook);
            if (!InImage(pc))
                return EndRun(Halt::Unset);
        }
        if (pc == LastPc) [[unlikely]]
            return EndRun(Halt::Loop);
        LastPc = pc;
        LastStart = cycle;
        return false;
    }
    static bool EndRun(Halt reason)
    {
        Halted = reason;
        return true;
    }
    static void OlderJam() { Halted = Halt::Jam; }
};

void PrintCycles(bool wanted, uint64_t cycles)
{
    if (wanted)
        std::fprintf(stderr, "%" PRIu64 " cycles\n", cycles);
}

// The usage text: to standard output for --help, else to standard error
// with the usage failure code.
void Usage(bool asked = false)
{
    std::fprintf(asked ? stdout : stderr,
                 "usage: run6502 [--cycles] [--max-cycles N] [--accuracy 0|1] FILE [ARGS...]\n"
                 "Runs a cc65 sim6502 program image on the emulator's processor.\n"
                 "  -c, --cycles        print the processor cycles to standard error\n"
                 "  -x, --max-cycles N  stop with exit code 126 after N cycles\n"
                 "  --accuracy 1        the NMOS 6502's status byte and decimal flags (the default)\n"
                 "  --accuracy 0        the emulator's older model (Accuracy=0)\n"
                 "  --version           print the version\n"
                 "Exit codes: the program's own; 127 when the image cannot be loaded, on a JAM\n"
                 "opcode, on reaching unset memory (BRK without a handler); 126 when out of\n"
                 "cycles or looping for ever; 1 for a wrong command line.\n");
    std::exit(asked ? 0 : UsageFailure);
}

// Ends the run with a message and a failure code.
__attribute__((format(printf, 4, 5))) int Stop(int code, bool printCycles, uint64_t cycles, const char* format, ...)
{
    std::fprintf(stderr, "run6502: ");
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "\n");
    PrintCycles(printCycles, cycles);
    return code;
}

// JSR, JMP and the branches: landing on themselves, they repeat for ever.
bool IsJump(uint8_t opcode)
{
    return opcode == 0x20 || opcode == 0x4C || opcode == 0x6C || (opcode & 0x1F) == 0x10;
}

}  // namespace

int main(int argc, char** argv)
{
    bool printCycles = false;
    uint64_t maxCycles = 0;
    uint32_t accuracy = 1;  // the NMOS rules, whatever the emulator's default
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; first++) {
        if (std::strcmp(argv[first], "--cycles") == 0 || std::strcmp(argv[first], "-c") == 0) {
            printCycles = true;
        } else if ((std::strcmp(argv[first], "--max-cycles") == 0 || std::strcmp(argv[first], "-x") == 0) &&
                   first + 1 < argc) {
            char* end = nullptr;
            maxCycles = std::strtoull(argv[++first], &end, 10);
            if (!end || *end != '\0' || maxCycles == 0)
                Usage();
        } else if (std::strcmp(argv[first], "--accuracy") == 0 && first + 1 < argc) {
            const char* value = argv[++first];
            if (std::strcmp(value, "0") != 0 && std::strcmp(value, "1") != 0)
                Usage();
            accuracy = value[0] == '1' ? 1 : 0;
        } else if (std::strcmp(argv[first], "--help") == 0 || std::strcmp(argv[first], "-h") == 0) {
            Usage(true);
        } else if (std::strcmp(argv[first], "--version") == 0) {
            std::printf("run6502 %s\n", RavlinVersion);
            return 0;
        } else {
            Usage();
        }
    }
    if (first >= argc)
        Usage();
    Image image = LoadImage(argv[first]);
    for (int i = first; i < argc; i++)
        ProgramArguments.push_back(argv[i]);

    ImageStart = image.loadAddress;
    ImageSize = static_cast<uint32_t>(image.data.size());
    std::memset(Memory, 0xFF, sizeof Memory);
    std::memcpy(Memory + image.loadAddress, image.data.data(), image.data.size());
    Cpu.SP = 0xFF;
    Cpu.PC = image.resetAddress;
    Core.stopAt = maxCycles ? maxCycles : UINT64_MAX;

    for (;;) {
        Halted = Halt::None;
        if (accuracy)
            Run<FlatBus, true>(Core);
        else
            Run<FlatBus, false>(Core);
        const uint16_t pc = Cpu.PC;
        const uint64_t cycles = Core.cycle;
        if (Core.jammed)
            Halted = Halt::Jam;
        switch (Halted) {
        case Halt::Hook:
            switch (pc) {
            case HookOpen: ServeOpen(); break;
            case HookClose: ServeClose(); break;
            case HookRead: ServeRead(); break;
            case HookWrite: ServeWrite(); break;
            case HookArgs: ServeArgs(); break;
            default:
                // The count ends with the instruction before the one that entered exit.
                PrintCycles(printCycles, LastStart);
                return Cpu.AC;
            }
            Cpu.PC = static_cast<uint16_t>(PullReturn() + 1);  // back to the caller
            continue;
        case Halt::Unset:
            if (LastPc <= 0xFFFF && Memory[LastPc] == 0x00)
                return Stop(SimFailure, printCycles, cycles, "BRK at $%04X and no handler: its vector at $FFFE is unset",
                            static_cast<unsigned>(LastPc));
            return Stop(SimFailure, printCycles, cycles, "the processor reached unset memory at $%04X",
                        static_cast<unsigned>(pc));
        case Halt::Jam:
            // Counted up to the jam, as the jam never ends.
            return Stop(SimFailure, printCycles, cycles - 2, "JAM opcode $%02X at $%04X stops the processor",
                        static_cast<unsigned>(Memory[pc]), static_cast<unsigned>(pc));
        case Halt::Loop:
            if (IsJump(Memory[pc]))
                return Stop(SimTimeOut, printCycles, cycles, "the program loops for ever at $%04X",
                            static_cast<unsigned>(pc));
            return Stop(SimFailure, printCycles, cycles, "the processor cannot execute opcode $%02X at $%04X",
                        static_cast<unsigned>(Memory[pc]), static_cast<unsigned>(pc));
        case Halt::None:
            break;
        }
        if (Core.cycle < Core.stopAt)   // an opcode that does nothing at all
            return Stop(SimFailure, printCycles, cycles, "the processor cannot execute opcode $%02X at $%04X",
                        static_cast<unsigned>(Memory[pc]), static_cast<unsigned>(pc));
        std::fprintf(stderr, "run6502: stopped after %" PRIu64 " cycles\n", cycles);
        PrintCycles(printCycles, cycles);
        return SimTimeOut;
    }
}
