; Writes the background colour (0xFF15) three times on each of LineCount
; lines after line FirstLine, and right after each write reads 0xFF1E, so
; that the test knows where in the line each write landed: 4 cycles before
; the read.  Colours 2, 5, 6 in that order.  Sets Done at the end.

Done          = $F4
FirstLine     = $F6
LineCount     = $F7
Position1     = $80
Position2     = $A0
Position3     = $C0

        sei
        ldy #0
        lda FirstLine
leave:  cmp $FF1D
        beq leave
reach:  cmp $FF1D
        bne reach
line:   lda $FF1D
wait:   cmp $FF1D
        beq wait
        lda #2
        sta $FF15
        ldx $FF1E
        stx Position1,y
        lda #5
        sta $FF15
        ldx $FF1E
        stx Position2,y
        lda #6
        sta $FF15
        ldx $FF1E
        stx Position3,y
        iny
        cpy LineCount
        bne line
        lda #1
        sta Done
idle:   jmp idle
