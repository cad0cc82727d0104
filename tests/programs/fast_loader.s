; A small fast loader of our own: the program puts code into the 1541's RAM
; with M-W, starts it with M-E, and takes 256 bytes from it two bits at a
; time, DATA and CLK both carrying data, timed to the cycle on both sides.
;
; Per byte: the drive pulls DATA (ready).  The computer pulls CLK for 12 us
; (go).  The drive sees go within its 9-cycle wait loop, at r, and puts the
; byte's bit pairs on the lines at r+16, r+32, r+48 and r+64 us (bits 1-0
; first; DATA carries the pair's high bit, CLK the low one, a line low for
; a 0), and lets go of both at r+80.  The computer runs at the single
; clock (886,724 Hz) with the screen off and interrupts masked, and reads
; the lines 28.2, 44.0, 60.9 and 76.7 us after its go: each read lies
; 3 us or more inside the pair's window, whatever r.  The drive sends
; (i * 7 + 3) AND 255 for i = 0 ... 255; the computer checks them, keeps
; them at Buffer, and prints FAST OK or FAST BAD with the first wrong index.
;
; Built as a program at $1001: 10 SYS4109.

Buffer  = $3000
Samples = $D0                   ; four raw reads of $01
Index   = $D4
Pointer = $D6

SETLFS  = $FFBA
SETNAM  = $FFBD
OPEN    = $FFC0
CLOSE   = $FFC3
CHKOUT  = $FFC9
CLRCHN  = $FFCC
CHROUT  = $FFD2

Released = $08                  ; $01: all lines released, cassette motor off
Go       = $0A                  ; and CLK pulled

        .org $1001
        .word basicEnd, 10
        .byte $9E, "4109", 0
basicEnd:
        .word 0

; ---- uploading -------------------------------------------------------------
        lda #15
        ldx #8
        ldy #15
        jsr SETLFS
        lda #0
        jsr SETNAM
        jsr OPEN
        lda #0
        sta Index               ; the offset into the drive code
upload: ldx #15
        jsr CHKOUT
        ldx #0
mw:     lda memoryWrite,x
        jsr CHROUT
        inx
        cpx #3
        bne mw
        lda Index
        clc
        adc #<DriveStart
        jsr CHROUT              ; the drive address, low
        lda #>DriveStart
        adc #0
        jsr CHROUT              ; and high
        lda #32
        jsr CHROUT              ; 32 bytes
        ldy #0
        ldx Index
chunk:  lda driveCode,x
        jsr CHROUT
        inx
        iny
        cpy #32
        bne chunk
        jsr CLRCHN              ; UNLISTEN: the drive takes the command
        lda Index
        clc
        adc #32
        sta Index
        cmp #DriveBytes
        bcc upload
        ldx #15
        jsr CHKOUT
        ldx #0
me:     lda memoryExecute,x
        jsr CHROUT
        inx
        cpx #5
        bne me
        jsr CLRCHN

; ---- receiving -------------------------------------------------------------
        sei
        lda $FF06
        pha
        and #$EF
        sta $FF06               ; the screen off: no lines taken by the TED
        lda $FF13
        pha
        ora #$02
        sta $FF13               ; the single clock
        lda #Released
        sta $01
        lda #<Buffer
        sta Pointer
        lda #>Buffer
        sta Pointer+1
        ldy #0
byte:   bit $01                 ; wait for ready: DATA low
        bmi byte
        ldx #Released
        lda #Go
        sta $01                 ; t0: go (the write lands on the third cycle)
        nop                     ; t0+1
        nop
        nop
        nop
        stx $01                 ; t0+11: released again
        nop                     ; t0+12
        nop
        nop
        nop
        bit $00                 ; t0+20
        lda $01                 ; t0+25: pair 0
        sta Samples
        nop                     ; t0+29
        nop
        nop
        nop
        lda $01                 ; t0+39: pair 1
        sta Samples+1
        nop                     ; t0+43
        nop
        nop
        bit $00
        lda $01                 ; t0+54: pair 2
        sta Samples+2
        nop                     ; t0+58
        nop
        nop
        nop
        lda $01                 ; t0+68: pair 3
        ; bits 7-6 of each read are a pair, the first read the lowest
        and #$C0
        sta Samples+3
        lda Samples+2
        and #$C0
        lsr
        lsr
        ora Samples+3
        sta Samples+3
        lda Samples+1
        and #$C0
        lsr
        lsr
        lsr
        lsr
        ora Samples+3
        sta Samples+3
        lda Samples
        and #$C0
        asl
        rol
        rol
        ora Samples+3
        sta (Pointer),y
        iny
        bne byte

        lda #Released
        sta $01
        pla
        sta $FF13
        pla
        sta $FF06
        cli
        lda #15
        jsr CLOSE

; ---- checking --------------------------------------------------------------
        ldy #0
        lda #3
check:  cmp Buffer,y
        bne bad
        clc
        adc #7
        iny
        bne check
        ldx #0
ok:     lda okText,x
        beq done
        jsr CHROUT
        inx
        bne ok
done:   rts
bad:    sty Index
        ldx #0
badT:   lda badText,x
        beq badN
        jsr CHROUT
        inx
        bne badT
badN:   lda Index
        jsr hex
        lda #13
        jmp CHROUT
hex:    pha
        lsr
        lsr
        lsr
        lsr
        jsr digit
        pla
        and #$0F
digit:  cmp #10
        bcc decimal
        adc #6
decimal: adc #$30
        jmp CHROUT

memoryWrite:   .byte "M-W"
memoryExecute: .byte "M-E", <DriveStart, >DriveStart
okText:        .byte "FAST OK", 13, 0
badText:       .byte "FAST BAD ", 0

; ---- the drive's code, at $0500 in its RAM --------------------------------
; VIA1 port B ($1800): PB1 pulls DATA, PB3 pulls CLK, PB2 reads CLK (1 low).
Pairs   = $10                   ; the four port values of a byte
Count   = $14
Value   = $15

driveCode:
        .org $0500
DriveStart:
        sei                     ; the DOS's interrupt stays away meanwhile
        lda #0
        sta Count
        lda #3
        sta Value
next:   lda Value               ; the byte's pairs as port values
        ldx #0
split:  pha
        and #$03
        tay
        lda portOfPair,y
        sta Pairs,x
        pla
        lsr
        lsr
        inx
        cpx #4
        bne split
        lda #$02
        sta $1800               ; ready: DATA low, CLK released
wait:   lda $1800               ; r: the read, on the fourth cycle
        and #$04
        beq wait
        ldx Pairs               ; r+5
        bit $00
        nop
        stx $1800               ; r+16
        ldx Pairs+1             ; r+17
        nop
        nop
        nop
        bit $00
        stx $1800               ; r+32
        ldx Pairs+2
        nop
        nop
        nop
        bit $00
        stx $1800               ; r+48
        ldx Pairs+3
        nop
        nop
        nop
        bit $00
        stx $1800               ; r+64
        ldx #0
        nop
        nop
        nop
        nop
        nop
        stx $1800               ; r+80: released, until ready again
        lda Value
        clc
        adc #7
        sta Value
        dec Count
        bne next
        lda #0
        sta $1800               ; all released
        cli
        rts
; A pair's port value: DATA pulled for a high bit of 0, CLK for a low bit of 0.
portOfPair:
        .byte $0A, $02, $08, $00
DriveEnd:
DriveBytes = (DriveEnd - DriveStart + 31) & $E0
        .reloc
        .res DriveBytes - (DriveEnd - DriveStart), 0
