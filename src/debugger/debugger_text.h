// The debugger's texts as plain functions: the disassembly of one line, the
// TED register comments, the register and status lines, the memory dump's
// labels and characters, the TED dump rows and the registers page's editor.
// The pages draw these; nothing here touches the screen.
#pragma once
#include <cstdint>

// ---- Disassembly -------------------------------------------------------------

// Addressing modes as the listing numbers them.
enum AddressingMode : int32_t {
    ModeImplied = 1,
    ModeImmediate = 2,
    ModeAbsolute = 3,
    ModeIndirect = 4,
    ModeZeroPage = 5,
    ModeZeroPageX = 6,
    ModeZeroPageY = 7,
    ModeAbsoluteX = 8,
    ModeAbsoluteY = 9,
    ModeIndirectY = 10,
    ModeIndirectX = 11,
    ModeRelative = 12,
};

struct MnemonicEntry {
    char mnemonic[4];   // three letters and a terminating zero
    int32_t mode;       // 1-12
};

extern const MnemonicEntry MnemonicTable[256];

// Bytes an instruction of the mode takes, opcode included (1-3).
int InstructionLength(int32_t mode);

// Every listing line is exactly this wide, so a new line covers the old one.
constexpr int InstructionTextLength = 34;

// The 13-character comment for a TED register address, else 13 spaces.
const char* TedRegisterName(uint16_t address);

// The listing text of the instruction at address with the given bytes
// (b1, b2 are read only as the mode needs them).  Writes 34 characters and
// a terminator; returns the instruction's length.
int FormatInstruction(uint16_t address, uint8_t b0, uint8_t b1, uint8_t b2, char text[InstructionTextLength + 1]);

// The same, reading the bytes at address through the memory map.
int DisassembleAt(uint16_t address, char text[InstructionTextLength + 1]);

// The target of a relative branch at address with offset byte b1.
uint16_t BranchTarget(uint16_t address, uint8_t offset);

// ---- Registers -------------------------------------------------------------------

// " PC  AC XR YR SP NV-BDIZC"
extern const char RegisterHeading[];
// "%04X %02X %02X %02X %02X NV1BDIZC" of the processor registers (25 characters).
void FormatRegisterLine(char text[26]);
// The status line over the running picture, 40 characters.
void FormatStatusLine(char text[41]);

// ---- Memory dump -----------------------------------------------------------------

// The screen code that shows a byte in the dump's character column.
uint8_t DumpCharacterCode(uint8_t value);

// ---- TED dump ---------------------------------------------------------------------

struct TedDumpLine {
    uint8_t row;
    uint8_t ink;
    char text[41];
};
constexpr int TedDumpLineCount = 21;
// The TED dump page's rows 2-22 from the machine's present state.
void BuildTedDumpLines(TedDumpLine lines[TedDumpLineCount]);

// ---- Registers page ---------------------------------------------------------------

// One edit position of the registers page: the screen column of the digit
// and the field it edits.
enum class EditField : uint8_t { PC, AC, XR, YR, SP, FlagN, FlagV, FlagB, FlagD, FlagI, FlagZ, FlagC };
struct EditPosition {
    uint8_t column;
    EditField field;
    uint8_t shift;   // bit position of the nibble within the register
};
constexpr int EditPositionCount = 19;
extern const EditPosition EditPositionTable[EditPositionCount];

// The digit shown at an edit position (a nibble, or 0/1 for a flag).
uint8_t EditDigit(int position);
// Types hex digit d at the position: a register nibble is replaced; a flag
// is set by 1, cleared by 0 and left by any other digit.
void TypeEditDigit(int position, uint8_t digit);

// The sample-output lines of the registers page.
void FormatDigiVolumeLine(char text[41]);
void FormatDigiChannelsLine(char text[41]);
void FormatDigiLevelLine(char text[41]);
void FormatSoundControlLine(char text[41]);
