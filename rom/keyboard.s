; Ravlin's open boot ROM: the keyboard.  Once a frame the interrupt scans
; the 8 x 8 matrix through the column latch at 0xFD30 and the TED's
; keyboard latch at 0xFF08, turns the key found into a character by the
; modifiers held (CTRL, then the Commodore key, then Shift) and puts it in
; the ten-key buffer KEYD, its count in KEY_COUNT.  A held key repeats.
; The function keys type the texts kept at FKEY_LENGTHS/FKEY_TEXT.

        .include "equates.inc"

        .export ScanKeyboard, GetKey, KbdRead, KeyboardInit, PutKey

; The matrix places of the keys the scan treats specially.
KEY_SHIFT   = $39
KEY_CBM     = $2F
KEY_CTRL    = $17
KEY_STOP    = $3F
REPEAT_DELAY = 10               ; frames before a held key repeats
REPEAT_RATE = 4                 ; frames between repeats

        .segment "KERNAL"

; Sets the repeat, empties the buffers and copies the function keys' texts
; into RAM.
KeyboardInit:
        lda     #$80                    ; every key repeats
        sta     KBDREPEAT
        lda     #0
        sta     KEY_COUNT
        sta     FKEY_COUNT
        sta     PENDING
        sta     CASELOCK
        lda     #REPEAT_RATE
        sta     KBDREPEATRATE
        lda     #REPEAT_DELAY
        sta     KBDREPEATDELAY
        lda     #$FF
        sta     LASTKEY
        sta     STKEY
        ldx     #FKEY_SPACE_SIZE - 1
@copy:  lda     FunctionKeyTexts,x
        sta     FKEY_LENGTHS,x
        dex
        bpl     @copy
        rts

; Selects the columns whose bits are 0 in A and reads their rows (a 0 bit
; is a key held).
ReadColumns:
        sta     KEYPORT
        lda     #$FF                    ; no joystick selected
        sta     TED_KBD
        lda     TED_KBD
        rts

; SCNKEY.
ScanKeyboard:
        lda     #$00
        jsr     ReadColumns
        cmp     #$FF
        bne     @something
        lda     #$FF
        sta     LASTKEY
        sta     STKEY
        rts
@something:
        lda     #0
        sta     MODS
        lda     #$FF
        sta     NEWKEY
        sta     STKEY
        ldx     #7
@column:
        lda     ColumnMasks,x
        jsr     ReadColumns
        eor     #$FF
        beq     @nextColumn
        ldy     #0
@row:   lsr     a
        bcc     @nextRow
        sta     KEYTMP
        sty     KEYROW
        tya
        asl     a
        asl     a
        asl     a
        stx     KEYCOL
        ora     KEYCOL                  ; the matrix index: 8 x row + column
        cmp     #KEY_SHIFT
        bne     @notShift
        lda     #1
        bne     @modifier
@notShift:
        cmp     #KEY_CBM
        bne     @notCbm
        lda     #2
        bne     @modifier
@notCbm:
        cmp     #KEY_CTRL
        bne     @plain
        lda     #4
@modifier:
        ora     MODS
        sta     MODS
        jmp     @restore
@plain: sta     NEWKEY
@restore:
        lda     KEYTMP
        ldy     KEYROW
@nextRow:
        iny
        cpy     #8
        bne     @row
@nextColumn:
        dex
        bpl     @column

        lda     NEWKEY
        cmp     #KEY_STOP
        bne     @notStop
        lda     MODS
        bne     @notStop
        lda     #$7F
        sta     STKEY
@notStop:
        lda     NEWKEY
        bpl     @key
        sta     LASTKEY                 ; modifiers alone: Shift with C=
        lda     MODS                    ; switches the character set (once
        cmp     #3                      ; a press) unless CHROUT $08 locked it
        bne     @remember
        cmp     LASTMODS
        beq     @remember
        bit     CASELOCK
        bmi     @remember
        lda     TED_CHARBASE
        eor     #CHARSET_UPPER ^ CHARSET_LOWER
        sta     TED_CHARBASE
        lda     #3
@remember:
        sta     LASTMODS
        rts
@key:   cmp     LASTKEY                 ; the same key with the same modifiers
        bne     @new                    ; is held; any change is a new key
        lda     MODS
        cmp     LASTMODS
        beq     @held
@new:   lda     NEWKEY
        sta     LASTKEY
        lda     MODS
        sta     LASTMODS
        lda     KBDREPEATDELAY
        sta     REPEATWAIT
        jmp     Decode
@held:  bit     KBDREPEAT
        bvs     @noRepeat
        bmi     @repeats
        ldy     NEWKEY                  ; by default the editing keys alone
        lda     NormalKeys,y
        ldx     #RepeatingKeysEnd - RepeatingKeys - 1
@which: cmp     RepeatingKeys,x
        beq     @repeats
        dex
        bpl     @which
@noRepeat:
        rts
@repeats:
        dec     REPEATWAIT
        bne     @noRepeat
        lda     KBDREPEATRATE
        sta     REPEATWAIT
        ; fall through

; The character of NEWKEY under the modifiers in MODS, into the buffer.
Decode: ldy     NEWKEY
        lda     MODS
        and     #4
        beq     @notCtrl
        lda     CtrlKeys,y
        jmp     @got
@notCtrl:
        lda     MODS
        and     #2
        beq     @notCbm
        lda     CbmKeys,y
        jmp     @got
@notCbm:
        lda     MODS
        and     #1
        beq     @normal
        lda     ShiftedKeys,y
        jmp     @got
@normal:
        lda     NormalKeys,y
@got:   beq     @none
        ldx     #7
@fkey:  cmp     FunctionKeyCodes,x
        beq     FunctionKey
        dex
        bpl     @fkey
        jsr     PutKey
        bcc     @none
        lda     #$FF                    ; no room: the key counts as not yet
        sta     LASTKEY                 ; seen, and goes in at the next scan
@none:  rts                             ; that finds room while it is held

; Function key X: its text is typed (unless one is still being typed).
FunctionKey:
        ldy     FKEY_COUNT
        bne     @busy
        stx     KEYTMP
        lda     #0
        tay
@sum:   cpy     KEYTMP                  ; the texts of the keys before it
        beq     @start
        clc
        adc     FKEY_LENGTHS,y
        iny
        bne     @sum
@start: sta     FKEY_INDEX
        lda     FKEY_LENGTHS,x
        sta     FKEY_COUNT
@busy:  rts

; Puts A into the keyboard buffer if there is room; carry set when there
; is none.
PutKey: ldx     KEY_COUNT
        cpx     #KEYD_SIZE
        bcs     @full
        sta     KEYD,x
        inc     KEY_COUNT
        clc
@full:  rts

; GETIN from the keyboard: the next character, or 0 when there is none.
; Shift+RUN/STOP types the command that loads and runs the disk's first
; program.
GetKey: ldx     PENDING
        beq     @keys
        lda     PendingText,x
        bne     @more
        sta     PENDING
        beq     @keys
@more:  inc     PENDING
        rts
@keys:  lda     KEY_COUNT
        ora     FKEY_COUNT
        beq     @none
        jsr     KbdRead
        cmp     #$83
        bne     @done
        lda     #1
        sta     PENDING
        bne     GetKey
@none:  lda     #0
@done:  rts

PendingText:
        .byte   0, "LOAD", $22, "*", $22, ",8", $0D, "RUN", $0D, 0

; Takes the next character: a function key's text first, then the buffer.
; Called with a key waiting (0 when there is none).
KbdRead:
        php
        sei
        lda     FKEY_COUNT
        beq     @buffer
        ldx     FKEY_INDEX
        inc     FKEY_INDEX
        dec     FKEY_COUNT
        lda     FKEY_TEXT,x
        plp
        rts
@buffer:
        lda     KEY_COUNT
        beq     @empty
        lda     KEYD
        pha
        ldx     #0
@shift: lda     KEYD+1,x
        sta     KEYD,x
        inx
        cpx     #KEYD_SIZE - 1
        bne     @shift
        dec     KEY_COUNT
        pla
@empty: plp
        rts

ColumnMasks:
        .byte   $FE, $FD, $FB, $F7, $EF, $DF, $BF, $7F

RepeatingKeys:
        .byte   $14, $20, $11, $9D, $1D, $91
RepeatingKeysEnd:

; The function keys' codes in the order of their texts: F1, F2, F3, F4
; (Shift+F1), F5, F6, F7 (Shift+HELP), HELP.
FunctionKeyCodes:
        .byte   $85, $86, $87, $89, $8A, $8B, $88, $8C

; The characters of the 64 matrix places (8 x row + column), as the
; machine's keyboard is laid out:
;   column 0: INST/DEL RETURN  £  HELP  F1  F2  F3  @
;   1: 3 W A 4 Z S E Shift      2: 5 R D 6 C F T X
;   3: 7 Y G 8 B H U V          4: 9 I J 0 M K O N
;   5: down P L up . : - ,      6: left * ; right ESC = + /
;   7: 1 HOME CTRL 2 SPACE C= Q RUN/STOP
; (each row of the tables below is one row of the matrix: columns 0-7).
NormalKeys:
        .byte   $14, $33, $35, $37, $39, $11, $9D, $31
        .byte   $0D, $57, $52, $59, $49, $50, $2A, $13
        .byte   $5C, $41, $44, $47, $4A, $4C, $3B, $00
        .byte   $8C, $34, $36, $38, $30, $91, $1D, $32
        .byte   $85, $5A, $43, $42, $4D, $2E, $1B, $20
        .byte   $86, $53, $46, $48, $4B, $3A, $3D, $00
        .byte   $87, $45, $54, $55, $4F, $2D, $2B, $51
        .byte   $40, $00, $58, $56, $4E, $2C, $2F, $03
ShiftedKeys:
        .byte   $94, $23, $25, $27, $29, $11, $9D, $21
        .byte   $8D, $D7, $D2, $D9, $C9, $D0, $C0, $93
        .byte   $A9, $C1, $C4, $C7, $CA, $CC, $5D, $00
        .byte   $88, $24, $26, $28, $5E, $91, $1D, $22
        .byte   $89, $DA, $C3, $C2, $CD, $3E, $1B, $A0
        .byte   $8A, $D3, $C6, $C8, $CB, $5B, $5F, $00
        .byte   $8B, $C5, $D4, $D5, $CF, $DD, $DB, $D1
        .byte   $BA, $00, $D8, $D6, $CE, $3C, $3F, $83
; The Commodore key: the colours 9-16 on the digits, graphics elsewhere.
CbmKeys:
        .byte   $94, $96, $98, $9A, $29, $11, $9D, $81
        .byte   $8D, $B3, $B2, $B7, $A2, $AF, $C0, $93
        .byte   $A8, $B0, $AC, $A5, $B5, $B6, $5D, $00
        .byte   $88, $97, $99, $9B, $5E, $91, $1D, $95
        .byte   $89, $AD, $BC, $BF, $A7, $3E, $1B, $A0
        .byte   $8A, $AE, $BB, $B4, $A1, $5B, $5F, $00
        .byte   $8B, $B1, $A3, $B8, $B9, $DC, $A6, $AB
        .byte   $A4, $00, $BD, $BE, $AA, $3C, $3F, $83
; CTRL: the colours 1-8 and reverse on/off on the digits, control codes on
; the letters.
CtrlKeys:
        .byte   $14, $1C, $9C, $1F, $12, $11, $9D, $90
        .byte   $0D, $17, $12, $19, $09, $10, $00, $13
        .byte   $00, $01, $04, $07, $0A, $0C, $00, $00
        .byte   $8C, $9F, $1E, $9E, $92, $91, $1D, $05
        .byte   $85, $1A, $03, $02, $0D, $00, $1B, $20
        .byte   $86, $13, $06, $08, $0B, $00, $00, $00
        .byte   $87, $05, $14, $15, $0F, $00, $00, $11
        .byte   $00, $00, $18, $16, $0E, $00, $00, $03

; ---- fixed places -----------------------------------------------------------
; cc65's library takes a key from the buffer by calling here.
        .segment "ENTRY_KBDREAD"
        jmp     KbdRead

; The function keys' texts at power-on: eight lengths, then the texts.
; cc65's library copies these 58 bytes back into RAM when a program ends.
        .segment "FKEYS"
FunctionKeyTexts:
        .byte   10, 5, 4, 5, 5, 4, 5, 5
        .byte   "DIRECTORY", $0D        ; F1
        .byte   "LOAD", $22             ; F2
        .byte   "RUN", $0D              ; F3
        .byte   "LIST", $0D             ; F4
        .byte   "SAVE", $22             ; F5
        .byte   "RUN", $0D              ; F6
        .byte   "HELP", $0D             ; F7
        .byte   "HELP", $0D             ; HELP
        .res    FKEY_SPACE_SIZE - (* - FunctionKeyTexts), 0
