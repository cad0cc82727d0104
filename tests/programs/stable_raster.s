; A stable raster split made with two raster interrupts in a row.  The first
; comes while the main program runs instructions of 2 to 7 cycles, so it
; starts anywhere within 7 cycles; it moves the compare to the next line and
; waits in NOPs, so the second comes within one cycle, and a read of the
; horizontal position takes that cycle out.  From there every line is 109
; cycles (border lines at the double clock): the border colour is written on
; the same cycle of each of Lines lines, ColourA and then ColourB.  Each
; handler keeps 0xFF1E as it found it, one byte per frame, the first at
; Entries, the second 16 bytes on; Frames counts the frames.

FirstLine = 206
Lines     = 40
ColourA   = $32
ColourB   = $55
Frames    = $F4
Entries   = $0400

        .org $1000
        sei
        sta $FF3F               ; RAM everywhere, the vectors too
        lda #$1B
        sta $FF06               ; the screen on: lines 204 and on are border lines
        lda #0
        sta $FF13               ; the double clock
        sta $FF19
        sta Frames
        lda #<first
        sta $FFFE
        lda #>first
        sta $FFFF
        lda #FirstLine
        sta $FF0B
        lda #$02                ; the raster interrupt alone
        sta $FF0A
        lda #$FF
        sta $FF09
        ldx #0
        cli
main:   inc $F8                 ; 27 cycles a round: the first interrupt
        bit $F8                 ; comes at another point each frame
        ror $F9,x
        lda $F8
        inc $2000,x
        jmp main

first:  ldx $FF1E
        ldy Frames
        txa
        sta Entries,y
        lda #<second
        sta $FFFE
        lda #>second
        sta $FFFF
        inc $FF0B               ; the next line
        lda #$02
        sta $FF09
        cli
        .res (256 - (* & 255)) & 255, $EA    ; the second interrupt comes in here

second: lda $FF1E               ; one cycle early or late: bit 1 tells
        ldy Frames
        sta Entries+16,y
        and #$02
        beq :+                  ; the early one (bit 1 clear) takes the branch, a cycle more
:       ldy #Lines
        ldx #ColourB
        lda #ColourA
loop:   sta $FF19               ; 4
        .res 20, $EA            ; 40
        stx $FF19               ; 4
        .res 28, $EA            ; 56
        dey                     ; 2
        bne loop                ; 3: 109 cycles, a line
        .assert (loop >> 8) = (* >> 8), error, "the loop crosses a page"
        lda #<first
        sta $FFFE
        lda #>first
        sta $FFFF
        lda #FirstLine
        sta $FF0B
        lda #$02
        sta $FF09
        inc Frames
        pla                     ; the second interrupt's return is dropped
        pla
        pla
        rti                     ; back to the main program
