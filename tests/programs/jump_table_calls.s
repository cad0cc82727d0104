; Helpers for jump_table.c: each calls one KERNAL entry the way a program
; in assembly does, and hands back what the documented conventions promise
; (registers kept, carry and the error number, the values returned).  The
; ROMs are switched in around each call, as cc65's own wrappers do.

        .export _keeps_registers, _plot_roundtrip, _screen_size, _open_result
        .export _chkin_result, _ckout_result, _load_result, _memtop_high
        .export _getin_result, _clock_roundtrip, _readst_after

CHROUT  = $FFD2
PLOT    = $FFF0
SCREEN  = $FFED
SETLFS  = $FFBA
SETNAM  = $FFBD
OPEN    = $FFC0
CLOSE   = $FFC3
CHKIN   = $FFC6
CKOUT   = $FFC9
CLRCH   = $FFCC
LOAD    = $FFD5
MEMTOP  = $FF99
GETIN   = $FFE4
SETTIM  = $FFDB
RDTIM   = $FFDE
READST  = $FFB7
ROMON   = $FF3E
RAMON   = $FF3F

        .bss
arg:    .res    3

        .code

; unsigned char keeps_registers(unsigned char c): CHROUT c with X and Y
; loaded; 1 when both come back unchanged and carry is clear.
_keeps_registers:
        sta     ROMON
        ldx     #$5A
        ldy     #$A5
        jsr     CHROUT
        sta     RAMON
        bcs     @no
        cpx     #$5A
        bne     @no
        cpy     #$A5
        bne     @no
        lda     #1
        ldx     #0
        rts
@no:    lda     #0
        tax
        rts

; unsigned plot_roundtrip(void): the cursor put at row 5, column 7 and read
; back (row in the high byte, column in the low), then put back where it
; was.
_plot_roundtrip:
        sta     ROMON
        sec
        jsr     PLOT
        stx     arg
        sty     arg+1
        ldx     #5
        ldy     #7
        clc
        jsr     PLOT
        ldx     #0
        ldy     #0
        sec
        jsr     PLOT
        stx     arg+2
        tya
        pha
        ldx     arg
        ldy     arg+1
        clc
        jsr     PLOT
        sta     RAMON
        pla
        ldx     arg+2
        rts

; unsigned screen_size(void): columns in the low byte, rows in the high.
_screen_size:
        sta     ROMON
        jsr     SCREEN
        sta     RAMON
        txa
        pha
        tya
        tax
        pla
        rts

; Common ending: carry set gives the error number in A, else 0.
result:
        sta     RAMON
        bcs     @error
        lda     #0
@error: ldx     #0
        rts

; unsigned char open_result(unsigned char lfn, unsigned char device): OPEN
; without a name, secondary address 15.
_open_result:
        sta     arg                     ; the device (the last argument)
        ldy     #0
        lda     ($02),y                 ; the logical file, on cc65's stack
        inc     $02
        bne     @popped
        inc     $03
@popped:
        ldx     arg
        ldy     #15
        sta     ROMON
        jsr     SETLFS
        lda     #0
        jsr     SETNAM
        jsr     OPEN
        jmp     result

_chkin_result:
        tax
        sta     ROMON
        jsr     CHKIN
        php
        pha
        jsr     CLRCH
        pla
        plp
        jmp     result

_ckout_result:
        tax
        sta     ROMON
        jsr     CKOUT
        php
        pha
        jsr     CLRCH
        pla
        plp
        jmp     result

; unsigned char load_result(unsigned char device): LOAD"X" from the device.
_load_result:
        tax
        sta     ROMON
        lda     #1
        ldy     #0
        jsr     SETLFS
        lda     #1
        ldx     #<name
        ldy     #>name
        jsr     SETNAM
        lda     #0
        ldx     #$00
        ldy     #$40
        jsr     LOAD
        jmp     result
name:   .byte   "X"

; unsigned char readst_after(void): the status the last call left.
_readst_after:
        sta     ROMON
        jsr     READST
        sta     RAMON
        ldx     #0
        rts

; unsigned char memtop_high(void): the page above program memory.
_memtop_high:
        sta     ROMON
        sec
        jsr     MEMTOP
        sta     RAMON
        tya
        ldx     #0
        rts

; unsigned getin_result(void): GETIN with no key waiting: A in the low
; byte, carry in the high.
_getin_result:
        sta     ROMON
        jsr     GETIN
        sta     RAMON
        ldx     #0
        bcc     @clear
        inx
@clear: rts

; unsigned char clock_roundtrip(void): SETTIM to 0x012345 with interrupts
; off, RDTIM at once: 1 when Y, X, A read back what was set.
_clock_roundtrip:
        sta     ROMON
        php
        sei
        lda     #$45
        ldx     #$23
        ldy     #$01
        jsr     SETTIM
        lda     #0
        tax
        tay
        jsr     RDTIM
        sta     arg
        stx     arg+1
        sty     arg+2
        plp
        sta     RAMON
        lda     arg
        cmp     #$45
        bne     @no
        lda     arg+1
        cmp     #$23
        bne     @no
        lda     arg+2
        cmp     #$01
        bne     @no
        lda     #1
        ldx     #0
        rts
@no:    lda     #0
        tax
        rts
