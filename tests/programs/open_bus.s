; Reads the write-only bank latch at 0xFDD0 256 times, keeping every value
; in Values, as a program checking for an emulator would.  Sets Done.

Done   = $F4
Values = $3000

        sei
        lda #100                ; start inside the screen's window
wait:   cmp $FF1D
        bne wait
        ldx #0
read:   lda $FDD0
        sta Values,x
        nop
        inx
        bne read
        inc Done
idle:   jmp idle
