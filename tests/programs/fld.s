; FLD: from line 0 to line 39 of every frame, YSCROLL is set on each line so
; that the next line is never a bad line; at line 40 it goes back to 3.  The
; first character row then starts at line 44 instead of 4: the screen is
; pushed down by 40 lines.  Counts frames in Frames.

Frames = $F4

        sei
frame:  lda $FF1C               ; wait for lines 256-311...
        lsr
        bcc frame
bottom: lda $FF1C               ; ...then for line 0
        lsr
        bcs bottom
        ldx #0
next:   txa                     ; during line X: YSCROLL = (X + 4) & 7
        clc
        adc #4
        and #7
        ora #$18
        sta $FF06
        lda $FF1D
wait:   cmp $FF1D
        beq wait
        inx
        cpx #40
        bne next
        lda #$1B
        sta $FF06
        inc Frames
        jmp frame
