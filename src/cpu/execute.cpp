// The interpreter.  Each of the 256 handlers is Execute<opcode, Nmos>,
// which takes the opcode's mode, operation and cycles from opcode_table.h
// at compile time and joins an addressing mode of addressing.h to an
// operation of operations.h; dispatch is one lookup in the model's table of
// handlers.  Nmos is the 7501/8501 as the chip is (Accuracy=1), the other
// set the older model (Accuracy=0).
//
// The NMOS handlers name the cycle of each data access, counted from the
// opcode fetch (cycle 0): a read lands on the instruction's last cycle, a
// store's write too, and a read-modify-write reads three cycles before the
// end, writes the byte it read back on the next cycle and the result on the
// last.  Operand, pointer and stack accesses never reach the I/O area and
// carry no cycle; dummy reads are not made (no register of the machine
// changes when read).
#include <array>
#include <cstddef>
#include <utility>

#include "cpu/addressing.h"
#include "cpu/cpu.h"
#include "cpu/opcode_table.h"
#include "cpu/operations.h"
#include "machine/machine_state.h"

namespace {

// The common tail: step over the instruction and report its cycles.
inline void Finish(uint8_t length, unsigned cycles)
{
    Cpu.PC = static_cast<uint16_t>(Cpu.PC + length);
    LastCycle = static_cast<uint16_t>(cycles);
}

template <Operation O>
inline bool BranchTaken()
{
    using enum Operation;
    if constexpr (O == BPL) return !Cpu.FlagN;
    else if constexpr (O == BMI) return Cpu.FlagN;
    else if constexpr (O == BVC) return !Cpu.FlagV;
    else if constexpr (O == BVS) return Cpu.FlagV;
    else if constexpr (O == BCC) return !Cpu.FlagC;
    else if constexpr (O == BCS) return Cpu.FlagC;
    else if constexpr (O == BNE) return !Cpu.FlagZ;
    else if constexpr (O == BEQ) return Cpu.FlagZ;
    else static_assert(UnknownOperation<O>);
}

// A taken branch costs one more cycle when it lands in another page than the
// one holding the branch itself (not the one after it).
inline void Branch(bool taken)
{
    if (!taken) {
        Finish(2, 2);
        return;
    }
    uint8_t offset = OperandByte();
    OperandLatch = offset;
    uint16_t from = Cpu.PC;
    Cpu.PC = static_cast<uint16_t>(from + 2 + static_cast<int8_t>(offset));
    LastCycle = ((Cpu.PC ^ from) & 0xFF00) ? 4 : 3;
}

// JMP (w).  The NMOS processor does not carry into the pointer's high byte:
// JMP (0x12FF) takes the high byte from 0x1200.
template <bool Nmos>
inline uint16_t IndirectTarget(uint16_t pointer)
{
    if constexpr (Nmos) {
        uint8_t low = ReadByte(pointer);
        uint8_t high = ReadByte(static_cast<uint16_t>((pointer & 0xFF00) | ((pointer + 1) & 0x00FF)));
        return static_cast<uint16_t>(low | (high << 8));
    } else {
        return ReadWord(pointer);
    }
}

// SHA, SHX, SHY and TAS: the register's bits AND the high byte of the base
// address plus one; when indexing carries into the next page, that value
// also replaces the address's high byte.
template <Operation O, Mode M>
inline void StoreHighAnd(unsigned writeCycle)
{
    using enum Operation;
    const uint16_t base = M == Mode::IndirectY ? ZeroPageWord(OperandByte()) : OperandWord();
    const Target target = Indexed(base, M == Mode::AbsoluteX ? Cpu.XR : Cpu.YR);
    const uint8_t mask = static_cast<uint8_t>((base >> 8) + 1);
    uint8_t value;
    if constexpr (O == SHA) {
        value = Cpu.AC & Cpu.XR & mask;
    } else if constexpr (O == SHX) {
        value = Cpu.XR & mask;
    } else if constexpr (O == SHY) {
        value = Cpu.YR & mask;
    } else {
        Cpu.SP = Cpu.AC & Cpu.XR;
        value = Cpu.SP & mask;
    }
    const uint16_t address =
        target.crossed ? static_cast<uint16_t>((value << 8) | (target.address & 0xFF)) : target.address;
    WriteAt(address, value, writeCycle);
}

constexpr bool IsHighAndStore(Operation op)
{
    return op == Operation::SHA || op == Operation::SHX || op == Operation::SHY || op == Operation::TAS;
}

// Instructions without a memory operand, and those that load PC.
template <Operation O, Mode M, uint8_t Entry, bool Nmos>
inline void ExecuteOther()
{
    using enum Operation;
    constexpr uint8_t cycles = BaseCycles(Entry);
    if constexpr (Nmos && (O == CLI || O == SEI || O == PLP))
        FlagIBefore = Cpu.FlagI;
    if constexpr (O == TAX) { Cpu.XR = Cpu.AC; SetNZ(Cpu.XR); }
    else if constexpr (O == TAY) { Cpu.YR = Cpu.AC; SetNZ(Cpu.YR); }
    else if constexpr (O == TXA) { Cpu.AC = Cpu.XR; SetNZ(Cpu.AC); }
    else if constexpr (O == TYA) { Cpu.AC = Cpu.YR; SetNZ(Cpu.AC); }
    else if constexpr (O == TSX) { Cpu.XR = Cpu.SP; SetNZ(Cpu.XR); }
    else if constexpr (O == TXS) { Cpu.SP = Cpu.XR; }
    else if constexpr (O == INX) { Cpu.XR++; SetNZ(Cpu.XR); }
    else if constexpr (O == INY) { Cpu.YR++; SetNZ(Cpu.YR); }
    else if constexpr (O == DEX) { Cpu.XR--; SetNZ(Cpu.XR); }
    else if constexpr (O == DEY) { Cpu.YR--; SetNZ(Cpu.YR); }
    else if constexpr (O == CLC) { Cpu.FlagC = 0; }
    else if constexpr (O == SEC) { Cpu.FlagC = 1; }
    else if constexpr (O == CLI) { Cpu.FlagI = 0; }
    else if constexpr (O == SEI) { Cpu.FlagI = 1; }
    else if constexpr (O == CLD) { Cpu.FlagD = 0; }
    else if constexpr (O == SED) { Cpu.FlagD = 1; }
    else if constexpr (O == CLV) { Cpu.FlagV = 0; }
    else if constexpr (O == PHA) { PushByte(Cpu.AC); }
    else if constexpr (O == PLA) { Cpu.AC = PullByte(); SetNZ(Cpu.AC); }
    else if constexpr (O == PHP) { PushByte(StatusForPhp()); }
    else if constexpr (O == PLP) { PullStatus(PullByte()); }

    if constexpr (Nmos && O == NOP && M != Mode::Implied && M != Mode::Immediate) {
        // The NMOS no-operations with a memory operand read it.
        uint8_t crossed;
        FetchOperand<M, true, HasPagePenalty(Entry)>(crossed, cycles - 1);
        Finish(LengthOf(M), cycles + crossed);
    } else if constexpr (O == NOP && HasPagePenalty(Entry)) {
        // The 0x1C family reads its operand word only to decide the penalty.
        Finish(LengthOf(M), cycles + Locate<M>().crossed);
    } else if constexpr (O == JMP && M == Mode::Absolute) {
        Cpu.PC = OperandWord();
        LastCycle = cycles;
    } else if constexpr (O == JMP) {
        Cpu.PC = IndirectTarget<Nmos>(OperandWord());
        LastCycle = cycles;
    } else if constexpr (O == JSR) {
        // The return address pushed is that of the last byte of the JSR; the
        // target is read after the push.
        PushWord(static_cast<uint16_t>(Cpu.PC + 2));
        Cpu.PC = OperandWord();
        LastCycle = cycles;
    } else if constexpr (O == RTS) {
        Cpu.PC = static_cast<uint16_t>(PullWord() + 1);
        LastCycle = cycles;
    } else if constexpr (O == RTI) {
        PullStatus(PullByte());
        Cpu.PC = PullWord();
        LastCycle = cycles;
    } else if constexpr (O == BRK) {
        uint8_t status = StatusForBrk();  // with FlagI as it was
        Cpu.FlagI = 1;
        Cpu.FlagB = 0;
        PushWord(static_cast<uint16_t>(Cpu.PC + 2));
        PushByte(status);
        Cpu.PC = ReadWord(0xFFFE);
        LastCycle = cycles;
    } else if constexpr (M == Mode::Relative) {
        Branch(BranchTaken<O>());
    } else if constexpr (O == JAM && Nmos) {
        // The processor stops on the opcode: each step lets the machine's
        // time pass, and only a reset starts it again (PollOfInstruction
        // refuses interrupts to a jam).
        LastCycle = cycles;
    } else if constexpr (O == JAM) {
        // The processor locks up on the opcode; only an interrupt, now
        // allowed, can lead it away.
        Ted.RasterIrqDue = 0;
        Cpu.FlagI = 0;
        LastCycle = cycles;
    } else if constexpr (O == UNI) {
        // Nothing at all: PC, registers, flags and LastCycle stay.
    } else {
        Finish(LengthOf(M), cycles);
    }
}

template <std::size_t Opcode, bool Nmos>
void Execute()
{
    constexpr Mode mode = Nmos ? NmosModeTable[Opcode] : ModeTable[Opcode];
    constexpr Operation op = Nmos ? NmosOperationTable[Opcode] : OperationTable[Opcode];
    constexpr uint8_t entry = Nmos ? NmosCycleTable[Opcode] : CycleTable[Opcode];
    constexpr uint8_t length = LengthOf(mode);
    constexpr uint8_t cycles = BaseCycles(entry);
    constexpr bool penalty = HasPagePenalty(entry);
    constexpr Access access = AccessOf(op);

    if constexpr (access == Access::Read) {
        uint8_t crossed;
        uint8_t value = FetchOperand<mode, Nmos, penalty>(crossed, cycles - 1);
        ApplyRead<op>(value);
        Finish(length, penalty ? cycles + crossed : cycles);
    } else if constexpr (access == Access::Write && IsHighAndStore(op)) {
        StoreHighAnd<op, mode>(cycles - 1);
        Finish(length, cycles);
    } else if constexpr (access == Access::Write) {
        uint16_t address = Locate<mode, Nmos>().address;
        DataWrite<Nmos>(address, StoredValue<op>(address), cycles - 1);
        Finish(length, cycles);
    } else if constexpr (access == Access::Modify && mode == Mode::Implied) {
        Cpu.AC = Modify<op>(Cpu.AC);
        Finish(length, cycles);
    } else if constexpr (access == Access::Modify && Nmos) {
        // Read, write the byte back, write the result.
        uint16_t address = Locate<mode, true>().address;
        uint8_t unmodified = ReadAt(address, cycles - 3);
        WriteModifiedAt(address, unmodified, Modify<op>(unmodified), cycles - 2);
        Finish(length, cycles);
    } else if constexpr (access == Access::Modify) {
        // One read and one write of the target.
        uint16_t address = Locate<mode>().address;
        WriteByte(address, Modify<op>(ReadByte(address)));
        Finish(length, cycles);
    } else {
        ExecuteOther<op, mode, entry, Nmos>();
    }
}

using Handler = void (*)();

template <bool Nmos, std::size_t... Opcodes>
constexpr std::array<Handler, 256> MakeHandlers(std::index_sequence<Opcodes...>)
{
    return {&Execute<Opcodes, Nmos>...};
}

constexpr std::array<Handler, 256> OlderHandlers = MakeHandlers<false>(std::make_index_sequence<256>{});
constexpr std::array<Handler, 256> NmosHandlers = MakeHandlers<true>(std::make_index_sequence<256>{});

constexpr bool IsJam(uint8_t opcode)
{
    return (opcode & 0x0F) == 0x02 && (opcode < 0x80 || (opcode & 0x10));
}

}  // namespace

void ExecuteInstruction()
{
    // Two jumps rather than one through a chosen table: the jump's target
    // then waits for nothing but the opcode.
    const uint8_t opcode = ReadByte(Cpu.PC);
    if (NmosRules()) [[likely]]
        NmosHandlers[opcode]();
    else
        OlderHandlers[opcode]();
}

InterruptPoll PollOfInstruction(uint8_t opcode)
{
    InterruptPoll poll{1, !Cpu.FlagI};
    if ((opcode & 0x1F) == 0x10 && LastCycle == 3)
        poll.cyclesBeforeEnd = 2;   // a taken branch that stayed in its page
    else if (opcode == 0x58 || opcode == 0x78 || opcode == 0x28)
        poll.allowed = !FlagIBefore;   // CLI, SEI, PLP
    else if (IsJam(opcode))
        poll.allowed = false;
    return poll;
}

void EnterInterruptSequence()
{
    EnterInterrupt();
    Cpu.FlagI = 1;
    Cpu.PC = ReadWord(0xFFFE);
}

void ResetSequence()
{
    Cpu.SP = static_cast<uint8_t>(Cpu.SP - 3);
    Cpu.FlagI = 1;
    Cpu.PC = ReadWord(0xFFFC);
}
