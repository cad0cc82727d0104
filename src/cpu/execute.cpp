// The interpreter.  Each of the 256 handlers is Execute<opcode>, which takes
// the opcode's mode, operation and cycles from opcode_table.h at compile
// time and joins an addressing mode of addressing.h to an operation of
// operations.h; dispatch is one lookup in the table of handlers.
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

// Instructions without a memory operand, and those that load PC.
template <Operation O, Mode M, uint8_t Entry>
inline void ExecuteOther()
{
    using enum Operation;
    constexpr uint8_t cycles = BaseCycles(Entry);
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

    if constexpr (O == NOP && HasPagePenalty(Entry)) {
        // The 0x1C family reads its operand word only to decide the penalty.
        Finish(LengthOf(M), cycles + Locate<M>().crossed);
    } else if constexpr (O == JMP && M == Mode::Absolute) {
        Cpu.PC = OperandWord();
        LastCycle = cycles;
    } else if constexpr (O == JMP) {
        Cpu.PC = ReadWord(OperandWord());
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

template <std::size_t Opcode>
void Execute()
{
    constexpr Mode mode = ModeTable[Opcode];
    constexpr Operation op = OperationTable[Opcode];
    constexpr uint8_t entry = CycleTable[Opcode];
    constexpr uint8_t length = LengthOf(mode);
    constexpr uint8_t cycles = BaseCycles(entry);
    constexpr Access access = AccessOf(op);

    if constexpr (access == Access::Read) {
        uint8_t crossed;
        uint8_t value = FetchOperand<mode>(crossed);
        ApplyRead<op>(value);
        Finish(length, HasPagePenalty(entry) ? cycles + crossed : cycles);
    } else if constexpr (access == Access::Write) {
        uint16_t address = Locate<mode>().address;
        WriteByte(address, StoredValue<op>(address));
        Finish(length, cycles);
    } else if constexpr (access == Access::Modify && mode == Mode::Implied) {
        Cpu.AC = Modify<op>(Cpu.AC);
        Finish(length, cycles);
    } else if constexpr (access == Access::Modify) {
        // One read and one write of the target.
        uint16_t address = Locate<mode>().address;
        WriteByte(address, Modify<op>(ReadByte(address)));
        Finish(length, cycles);
    } else {
        ExecuteOther<op, mode, entry>();
    }
}

using Handler = void (*)();

template <std::size_t... Opcodes>
constexpr std::array<Handler, 256> MakeHandlers(std::index_sequence<Opcodes...>)
{
    return {&Execute<Opcodes>...};
}

constexpr std::array<Handler, 256> OpcodeHandlers = MakeHandlers(std::make_index_sequence<256>{});

}  // namespace

void ExecuteInstruction()
{
    OpcodeHandlers[ReadByte(Cpu.PC)]();
}
