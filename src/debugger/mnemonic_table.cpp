#include "debugger/debugger_text.h"

// The program's own names, documented and undocumented, laid out as the
// opcode grid: row = high nibble, column = low nibble.  Of the undocumented
// stores of a value ANDed with the base address's high byte + 1, AXI and
// AXA store AC AND XR, SXH stores XR and SYH stores YR; ARR is AND then
// ROR, ABS the twelve that lock the processor up.
const MnemonicEntry MnemonicTable[256] = {
    // x0        x1          x2          x3          x4         x5         x6         x7
    // x8        x9          xA          xB          xC         xD         xE         xF
    /* 0_ */ {"BRK", 1}, {"ORA", 11}, {"ABS", 1}, {"ASO", 11}, {"NO2", 5}, {"ORA", 5}, {"ASL", 5}, {"ASO", 5},
             {"PHP", 1}, {"ORA", 2},  {"ASL", 1}, {"ANN", 2},  {"NO3", 3}, {"ORA", 3}, {"ASL", 3}, {"ASO", 3},
    /* 1_ */ {"BPL", 12}, {"ORA", 10}, {"ABS", 1}, {"ASO", 10}, {"NO2", 6}, {"ORA", 6}, {"ASL", 6}, {"ASO", 6},
             {"CLC", 1},  {"ORA", 9},  {"NO1", 1}, {"ASO", 9},  {"NO3", 8}, {"ORA", 8}, {"ASL", 8}, {"ASO", 8},
    /* 2_ */ {"JSR", 3}, {"AND", 11}, {"ABS", 1}, {"RAN", 11}, {"BIT", 5}, {"AND", 5}, {"ROL", 5}, {"RAN", 5},
             {"PLP", 1}, {"AND", 2},  {"ROL", 1}, {"ANN", 2},  {"BIT", 3}, {"AND", 3}, {"ROL", 3}, {"RAN", 3},
    /* 3_ */ {"BMI", 12}, {"AND", 10}, {"ABS", 1}, {"RAN", 10}, {"NO2", 6}, {"AND", 6}, {"ROL", 6}, {"RAN", 6},
             {"SEC", 1},  {"AND", 9},  {"NO1", 1}, {"RAN", 9},  {"NO3", 8}, {"AND", 8}, {"ROL", 8}, {"RAN", 8},
    /* 4_ */ {"RTI", 1}, {"EOR", 11}, {"ABS", 1}, {"LSE", 11}, {"NO2", 5}, {"EOR", 5}, {"LSR", 5}, {"LSE", 5},
             {"PHA", 1}, {"EOR", 2},  {"LSR", 1}, {"ANL", 2},  {"JMP", 3}, {"EOR", 3}, {"LSR", 3}, {"LSE", 3},
    /* 5_ */ {"BVC", 12}, {"EOR", 10}, {"ABS", 1}, {"LSE", 10}, {"NO2", 6}, {"EOR", 6}, {"LSR", 6}, {"LSE", 6},
             {"CLI", 1},  {"EOR", 9},  {"NO1", 1}, {"LSE", 9},  {"NO3", 8}, {"EOR", 8}, {"LSR", 8}, {"LSE", 8},
    /* 6_ */ {"RTS", 1}, {"ADC", 11}, {"ABS", 1}, {"RAD", 11}, {"NO2", 5}, {"ADC", 5}, {"ROR", 5}, {"RAD", 5},
             {"PLA", 1}, {"ADC", 2},  {"ROR", 1}, {"ARR", 2},  {"JMP", 4}, {"ADC", 3}, {"ROR", 3}, {"RAD", 3},
    /* 7_ */ {"BVS", 12}, {"ADC", 10}, {"ABS", 1}, {"RAD", 10}, {"NO2", 6}, {"ADC", 6}, {"ROR", 6}, {"RAD", 6},
             {"SEI", 1},  {"ADC", 9},  {"NO1", 1}, {"RAD", 9},  {"NO3", 8}, {"ADC", 8}, {"ROR", 8}, {"RAD", 8},
    /* 8_ */ {"NO2", 2},  {"STA", 11}, {"NO2", 2},  {"AXX", 11}, {"STY", 5}, {"STA", 5}, {"STX", 5}, {"AXR", 5},
             {"DEY", 1},  {"NO2", 2},  {"TXA", 1},  {"TAN", 2},  {"STY", 3}, {"STA", 3}, {"STX", 3}, {"AAX", 3},
    /* 9_ */ {"BCC", 12}, {"STA", 10}, {"ABS", 1}, {"AXI", 10}, {"STY", 6}, {"STA", 6}, {"STX", 7}, {"AXY", 7},
             {"TYA", 1},  {"STA", 9},  {"TXS", 1}, {"AXS", 9},  {"SYH", 8}, {"STA", 8}, {"SXH", 9}, {"AXA", 9},
    /* A_ */ {"LDY", 2}, {"LDA", 11}, {"LDX", 2}, {"LDT", 11}, {"LDY", 5}, {"LDA", 5}, {"LDX", 5}, {"LDT", 5},
             {"TAY", 1}, {"LDA", 2},  {"TAX", 1}, {"ANX", 2},  {"LDY", 3}, {"LDA", 3}, {"LDX", 3}, {"LDT", 3},
    /* B_ */ {"BCS", 12}, {"LDA", 10}, {"ABS", 1}, {"LDT", 10}, {"LDY", 6}, {"LDA", 6}, {"LDX", 7}, {"LDT", 7},
             {"CLV", 1},  {"LDA", 9},  {"TSX", 1}, {"TSA", 9},  {"LDY", 8}, {"LDA", 8}, {"LDX", 9}, {"LDT", 9},
    /* C_ */ {"CPY", 2}, {"CMP", 11}, {"NO2", 2},  {"DEM", 11}, {"CPY", 5}, {"CMP", 5}, {"DEC", 5}, {"DEM", 5},
             {"INY", 1}, {"CMP", 2},  {"DEX", 1},  {"XAS", 2},  {"CPY", 3}, {"CMP", 3}, {"DEC", 3}, {"DEM", 3},
    /* D_ */ {"BNE", 12}, {"CMP", 10}, {"ABS", 1}, {"DEM", 10}, {"NO2", 6}, {"CMP", 6}, {"DEC", 6}, {"DEM", 6},
             {"CLD", 1},  {"CMP", 9},  {"NO1", 1}, {"DEM", 9},  {"NO3", 8}, {"CMP", 8}, {"DEC", 8}, {"DEM", 8},
    /* E_ */ {"CPX", 2}, {"SBC", 11}, {"NO2", 2},  {"INB", 11}, {"CPX", 5}, {"SBC", 5}, {"INC", 5}, {"INB", 5},
             {"INX", 1}, {"SBC", 2},  {"NOP", 1},  {"SBC", 2},  {"CPX", 3}, {"SBC", 3}, {"INC", 3}, {"INB", 3},
    /* F_ */ {"BEQ", 12}, {"SBC", 10}, {"ABS", 1}, {"INB", 10}, {"NO2", 6}, {"SBC", 6}, {"INC", 6}, {"INB", 6},
             {"SED", 1},  {"SBC", 9},  {"NO1", 1}, {"INB", 9},  {"NO3", 8}, {"SBC", 8}, {"INC", 8}, {"INB", 8},
};
