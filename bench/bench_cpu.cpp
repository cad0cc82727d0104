// The processor alone: the core run over flat RAM (as run6502 runs it) on a
// long compute loop, timed on the host.  Prints emulated cycles per host second and the
// ratio to the real machine's 1.19 million cycles per second.
//
//   bench_cpu [CYCLES]      (default 3,000,000,000 emulated cycles)
//
// Build it in release mode in a build directory of its own, for example
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release && cmake --build build-release -j2 --target bench_cpu
#include <time.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cpu/core.h"

namespace {

constexpr double RealCyclesPerSecond = 1.19e6;

// The loop, assembled: a sieve of Eratosthenes over 4 KiB at 0x4000 with a
// count of the primes, 32 multiplications of 16 by 16 bits, a CRC-16 over
// 1 KiB, 256 decimal additions and subtractions, and a copy with indexed
// loads and stores, some crossing pages; then round again.
const uint8_t Program[] = {
    0xA2, 0xFF,         // 0200  start: ldx #$ff
    0x9A,               // 0202  txs
    0x20, 0x17, 0x02,   // 0203  main: jsr sieve
    0x20, 0x88, 0x02,   // 0206  jsr multiply
    0x20, 0xD6, 0x02,   // 0209  jsr crc16
    0x20, 0x12, 0x03,   // 020C  jsr bcd
    0x20, 0x32, 0x03,   // 020F  jsr copy
    0xE6, 0x10,         // 0212  inc $10
    0x4C, 0x03, 0x02,   // 0214  jmp main
    0xA9, 0x00,         // 0217  sieve: lda #<SIEVE
    0x85, 0x20,         // 0219  sta ptr
    0xA9, 0x40,         // 021B  lda #>SIEVE
    0x85, 0x21,         // 021D  sta ptr+1
    0xA2, 0x10,         // 021F  ldx #16
    0xA9, 0x01,         // 0221  lda #1
    0xA0, 0x00,         // 0223  ldy #0
    0x91, 0x20,         // 0225  fill: sta (ptr),y
    0xC8,               // 0227  iny
    0xD0, 0xFB,         // 0228  bne fill
    0xE6, 0x21,         // 022A  inc ptr+1
    0xCA,               // 022C  dex
    0xD0, 0xF6,         // 022D  bne fill
    0xA9, 0x02,         // 022F  lda #2
    0x85, 0x24,         // 0231  sta idx
    0xA4, 0x24,         // 0233  outer: ldy idx
    0xB9, 0x00, 0x40,   // 0235  lda SIEVE,y
    0xF0, 0x23,         // 0238  beq next
    0xA5, 0x24,         // 023A  lda idx
    0x0A,               // 023C  asl a
    0x85, 0x20,         // 023D  sta ptr
    0xA9, 0x00,         // 023F  lda #0
    0x2A,               // 0241  rol a
    0x18,               // 0242  clc
    0x69, 0x40,         // 0243  adc #>SIEVE
    0x85, 0x21,         // 0245  sta ptr+1
    0xA0, 0x00,         // 0247  inner: ldy #0
    0x98,               // 0249  tya
    0x91, 0x20,         // 024A  sta (ptr),y
    0x18,               // 024C  clc
    0xA5, 0x20,         // 024D  lda ptr
    0x65, 0x24,         // 024F  adc idx
    0x85, 0x20,         // 0251  sta ptr
    0xA5, 0x21,         // 0253  lda ptr+1
    0x69, 0x00,         // 0255  adc #0
    0x85, 0x21,         // 0257  sta ptr+1
    0xC9, 0x50,         // 0259  cmp #>(SIEVE+$1000)
    0x90, 0xEA,         // 025B  bcc inner
    0xE6, 0x24,         // 025D  next: inc idx
    0xA5, 0x24,         // 025F  lda idx
    0xC9, 0x40,         // 0261  cmp #64
    0xD0, 0xCE,         // 0263  bne outer
    0xA9, 0x00,         // 0265  lda #0
    0x85, 0x26,         // 0267  sta count
    0x85, 0x27,         // 0269  sta count+1
    0x85, 0x20,         // 026B  sta ptr
    0xA9, 0x40,         // 026D  lda #>SIEVE
    0x85, 0x21,         // 026F  sta ptr+1
    0xA2, 0x10,         // 0271  ldx #16
    0xA0, 0x00,         // 0273  ldy #0
    0xB1, 0x20,         // 0275  cnt: lda (ptr),y
    0xF0, 0x06,         // 0277  beq skip
    0xE6, 0x26,         // 0279  inc count
    0xD0, 0x02,         // 027B  bne skip
    0xE6, 0x27,         // 027D  inc count+1
    0xC8,               // 027F  skip: iny
    0xD0, 0xF3,         // 0280  bne cnt
    0xE6, 0x21,         // 0282  inc ptr+1
    0xCA,               // 0284  dex
    0xD0, 0xEE,         // 0285  bne cnt
    0x60,               // 0287  rts
    // multiply:
    0xA9, 0x00,         // 0288  lda #0
    0x85, 0x28,         // 028A  sta loops
    0xA5, 0x28,         // 028C  again: lda loops
    0x85, 0x30,         // 028E  sta mul_a
    0x49, 0x5A,         // 0290  eor #$5a
    0x85, 0x31,         // 0292  sta mul_a+1
    0xA5, 0x28,         // 0294  lda loops
    0x0A,               // 0296  asl a
    0x85, 0x32,         // 0297  sta mul_b
    0xA9, 0x13,         // 0299  lda #$13
    0x85, 0x33,         // 029B  sta mul_b+1
    0x20, 0xAF, 0x02,   // 029D  jsr mul16
    0xA5, 0x34,         // 02A0  lda product
    0x45, 0x38,         // 02A2  eor sum
    0x85, 0x38,         // 02A4  sta sum
    0xE6, 0x28,         // 02A6  inc loops
    0xA5, 0x28,         // 02A8  lda loops
    0xC9, 0x20,         // 02AA  cmp #32
    0xD0, 0xDE,         // 02AC  bne again
    0x60,               // 02AE  rts
    0xA9, 0x00,         // 02AF  mul16: lda #0
    0x85, 0x36,         // 02B1  sta product+2
    0x85, 0x37,         // 02B3  sta product+3
    0xA2, 0x10,         // 02B5  ldx #16
    0x46, 0x33,         // 02B7  mbit: lsr mul_b+1
    0x66, 0x32,         // 02B9  ror mul_b
    0x90, 0x0D,         // 02BB  bcc noadd
    0x18,               // 02BD  clc
    0xA5, 0x36,         // 02BE  lda product+2
    0x65, 0x30,         // 02C0  adc mul_a
    0x85, 0x36,         // 02C2  sta product+2
    0xA5, 0x37,         // 02C4  lda product+3
    0x65, 0x31,         // 02C6  adc mul_a+1
    0x85, 0x37,         // 02C8  sta product+3
    0x66, 0x37,         // 02CA  noadd: ror product+3
    0x66, 0x36,         // 02CC  ror product+2
    0x66, 0x35,         // 02CE  ror product+1
    0x66, 0x34,         // 02D0  ror product
    0xCA,               // 02D2  dex
    0xD0, 0xE2,         // 02D3  bne mbit
    0x60,               // 02D5  rts
    0xA9, 0xFF,         // 02D6  crc16: lda #$ff
    0x85, 0x40,         // 02D8  sta crc
    0x85, 0x41,         // 02DA  sta crc+1
    0xA9, 0x00,         // 02DC  lda #$00
    0x85, 0x20,         // 02DE  sta ptr
    0xA9, 0x02,         // 02E0  lda #$02
    0x85, 0x21,         // 02E2  sta ptr+1
    0xA2, 0x04,         // 02E4  ldx #4
    0xA0, 0x00,         // 02E6  ldy #0
    0xB1, 0x20,         // 02E8  cbyte: lda (ptr),y
    0x45, 0x41,         // 02EA  eor crc+1
    0x85, 0x41,         // 02EC  sta crc+1
    0x8A,               // 02EE  txa
    0x48,               // 02EF  pha
    0xA2, 0x08,         // 02F0  ldx #8
    0x06, 0x40,         // 02F2  cbit: asl crc
    0x26, 0x41,         // 02F4  rol crc+1
    0x90, 0x0C,         // 02F6  bcc nox
    0xA5, 0x41,         // 02F8  lda crc+1
    0x49, 0x10,         // 02FA  eor #$10
    0x85, 0x41,         // 02FC  sta crc+1
    0xA5, 0x40,         // 02FE  lda crc
    0x49, 0x21,         // 0300  eor #$21
    0x85, 0x40,         // 0302  sta crc
    0xCA,               // 0304  nox: dex
    0xD0, 0xEB,         // 0305  bne cbit
    0x68,               // 0307  pla
    0xAA,               // 0308  tax
    0xC8,               // 0309  iny
    0xD0, 0xDC,         // 030A  bne cbyte
    0xE6, 0x21,         // 030C  inc ptr+1
    0xCA,               // 030E  dex
    0xD0, 0xD7,         // 030F  bne cbyte
    0x60,               // 0311  rts
    0xF8,               // 0312  bcd: sed
    0xA2, 0x00,         // 0313  ldx #0
    0xA9, 0x00,         // 0315  lda #0
    0x85, 0x42,         // 0317  sta bcdlo
    0x85, 0x43,         // 0319  sta bcdhi
    0x18,               // 031B  bloop: clc
    0xA5, 0x42,         // 031C  lda bcdlo
    0x69, 0x01,         // 031E  adc #$01
    0x85, 0x42,         // 0320  sta bcdlo
    0xA5, 0x43,         // 0322  lda bcdhi
    0x69, 0x00,         // 0324  adc #$00
    0x85, 0x43,         // 0326  sta bcdhi
    0x38,               // 0328  sec
    0xA5, 0x42,         // 0329  lda bcdlo
    0xE9, 0x01,         // 032B  sbc #$01
    0xCA,               // 032D  dex
    0xD0, 0xEB,         // 032E  bne bloop
    0xD8,               // 0330  cld
    0x60,               // 0331  rts
    0xA2, 0x00,         // 0332  copy: ldx #0
    0xBD, 0x00, 0x40,   // 0334  cloop: lda $4000,x
    0x9D, 0x00, 0x50,   // 0337  sta $5000,x
    0xBD, 0x00, 0x41,   // 033A  lda $4100,x
    0x9D, 0x00, 0x51,   // 033D  sta $5100,x
    0xBD, 0x80, 0x42,   // 0340  lda $4280,x
    0x9D, 0x80, 0x52,   // 0343  sta $5280,x
    0xE8,               // 0346  inx
    0xD0, 0xEB,         // 0347  bne cloop
    0x60,               // 0349  rts
};

constexpr uint16_t ProgramStart = 0x0200;
constexpr uint16_t MainLoop = 0x0203;    // the start of each round
constexpr uint16_t PrimeCount = 0x0026;  // the sieve leaves its count here

uint8_t Memory[0x10000];

struct FlatBus {
    static uint8_t Read(uint16_t address, uint64_t) { return Memory[address]; }
    static void Write(uint16_t address, uint8_t value, uint64_t) { Memory[address] = value; }
};

// The processor time of this process: other work on a shared machine does
// not count against the interpreter.
double ProcessSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t target = 3000000000ULL;
    if (argc > 1) {
        char* end = nullptr;
        target = std::strtoull(argv[1], &end, 10);
        if (!end || *end != '\0' || target == 0) {
            std::fprintf(stderr, "usage: bench_cpu [CYCLES]\n");
            return 1;
        }
    }

    std::memcpy(Memory + ProgramStart, Program, sizeof Program);
    CpuCore core{};
    core.regs.PC = ProgramStart;
    core.regs.SP = 0xFF;
    core.stopAt = target;

    auto wallStart = std::chrono::steady_clock::now();
    double start = ProcessSeconds();
    Run<FlatBus, true>(core);
    double seconds = ProcessSeconds() - start;
    double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const uint64_t cycles = core.cycle;

    // Finish the round so that the sieve's count is complete.
    for (uint64_t guard = 0; core.regs.PC != MainLoop && guard < 100000000; guard++) {
        core.stopAt = core.cycle;
        Run<FlatBus, true>(core);   // one instruction
    }
    unsigned primes = Memory[PrimeCount] | (Memory[PrimeCount + 1] << 8);
    double perSecond = static_cast<double>(cycles) / seconds;
    std::printf("emulated cycles     %" PRIu64 " (sieve found %u primes)\n", cycles, primes);
    std::printf("host seconds        %.3f processor time (%.3f wall clock)\n", seconds, wallSeconds);
    std::printf("cycles per second   %.0f\n", perSecond);
    std::printf("real speed          %.0fx (1.19 million cycles per second)\n", perSecond / RealCyclesPerSecond);
    // 564 primes below 4096, plus 0 and 1, which the sieve leaves standing.
    if (primes != 566) {
        std::fprintf(stderr, "bench_cpu: the program went wrong (count %u, expected 566)\n", primes);
        return 1;
    }
    return 0;
}
