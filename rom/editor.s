; Ravlin's open boot ROM: the screen editor.  Characters written to the
; screen (CHROUT to device 3) go to the cursor and move it on; the control
; codes move the cursor, clear, delete and insert, set reverse and the
; colour, and switch the character set.  Reading from the keyboard (CHRIN
; from device 0) lets the user edit anywhere on the screen until Return,
; then hands out the cursor's row, from where the input began, as text.
;
; A line that runs past the right edge carries on on the next row: the two
; rows are one line of up to 80 characters (LINKS marks the second), which
; Return reads whole and a Return printed on its first row steps over.

        .include "equates.inc"

        .import GetKey, KeyboardInit
        .export ScreenInit, ClearScreen, ScreenOut, SetLinePointers, ScreenIn
        .export PutChar, NewLine, ShowCursor, HideCursor, ScreenRead

        .segment "EDITOR"

; CINT: the TED's picture as this ROM uses it (40 x 25 text, the video
; matrix at 0x0800, characters from ROM at 0xD000), the editor's state, the
; keyboard, and a clear screen.
ScreenInit:
        lda     #$1B
        sta     TED_CTRL1
        lda     #$08
        sta     TED_CTRL2
        lda     TED_BITMAP
        and     #$03                    ; keep voice 1's frequency bits
        ora     #$04                    ; characters from ROM
        sta     TED_BITMAP
        lda     #CHARSET_UPPER
        sta     TED_CHARBASE
        lda     #>COLOURS
        sta     TED_VIDEO
        ldx     #4                      ; the colours: background, the
@colours:                               ; three extra ones, the border
        lda     StartColours,x
        sta     TED_BGCOLOR,x
        dex
        bpl     @colours
        lda     #$10                    ; dark text
        sta     CHARCOLOR
        lda     #0
        sta     RVS
        sta     QTSW
        sta     INSTATE
        jsr     KeyboardInit
        jsr     HideCursor
        ; fall through

; Clears the screen in the current colour and homes the cursor (cc65's
; library calls it at 0xD88B).
ClearScreen:
        ldx     #0
        lda     #$20
@chars: sta     SCREEN,x
        sta     SCREEN+$100,x
        sta     SCREEN+$200,x
        sta     SCREEN+$2E8,x
        inx
        bne     @chars
        lda     CHARCOLOR
@cols:  sta     COLOURS,x
        sta     COLOURS+$100,x
        sta     COLOURS+$200,x
        sta     COLOURS+$2E8,x
        inx
        bne     @cols
        lda     #0
        ldx     #ROWS - 1
@links: sta     LINKS,x
        dex
        bpl     @links
Home:   lda     #0
        sta     CURS_X
        sta     CURS_Y
        ; fall through

; SCREEN_PTR and CRAM_PTR to the start of the cursor's row.  Keeps X and Y.
SetLinePointers:
        txa
        pha
        ldx     CURS_Y
        cpx     #ROWS
        bcc     @row
        ldx     #ROWS - 1
        stx     CURS_Y
@row:   lda     RowStarts,x
        sta     SCREEN_PTR
        sta     CRAM_PTR
        lda     RowPages,x
        sta     SCREEN_PTR+1
        sec
        sbc     #>(SCREEN - COLOURS)
        sta     CRAM_PTR+1
        pla
        tax
        rts

; CHROUT to the screen: keeps X and Y, returns with carry clear.
ScreenOut:
        pha
        txa
        pha
        tya
        pha
        tsx
        lda     $0103,x
        jsr     PutChar
        pla
        tay
        pla
        tax
        pla
        clc
        rts

; One character to the screen (X and Y are not kept).
PutChar:
        cmp     #$0D
        beq     @return
        cmp     #$8D
        bne     @notReturn
@return:
        jmp     NewLine
@notReturn:
        ldx     QTSW
        beq     @plain
        cmp     #$14                    ; DEL still deletes inside quotes
        bne     @quotedOther
        jmp     DeleteChar
@quotedOther:
        cmp     #$20
        bcc     @reversedLow
        cmp     #$80
        bcc     @printable
        cmp     #$A0
        bcs     @printable
        and     #$7F                    ; $80-$9F show as reversed $40-$5F
        clc
        adc     #$40
@reversedLow:
        ora     #$80
        jmp     PrintCode
@plain: cmp     #$20
        bcc     Control
        cmp     #$80
        bcc     @printable
        cmp     #$A0
        bcc     Control
@printable:
        cmp     #$22
        bne     @notQuote
        pha
        lda     QTSW
        eor     #1
        sta     QTSW
        pla
@notQuote:
        jsr     PetsciiToScreen
        ; fall through

; Puts screen code A at the cursor (reversed while RVS is on) in the
; current colour and moves the cursor right.
PrintCode:
        ora     RVS
        ldy     CURS_X
        sta     (SCREEN_PTR),y
        lda     CHARCOLOR
        sta     (CRAM_PTR),y
        cpy     #COLUMNS - 1
        bcc     CursorRight
        ; Past the right edge: the line carries on on the next row, unless
        ; this row already carries one on (two rows at most).
        ldx     CURS_Y
        lda     LINKS,x
        eor     #1
        pha
        lda     #0
        sta     CURS_X
        jsr     CursorDown
        pla
        ldx     CURS_Y
        sta     LINKS,x
        rts

CursorRight:
        inc     CURS_X
        lda     CURS_X
        cmp     #COLUMNS
        bcc     Done
        lda     #0
        sta     CURS_X
        ; fall through

CursorDown:
        lda     CURS_Y
        cmp     #ROWS - 1
        bcc     @down
        jmp     ScrollUp
@down:  inc     CURS_Y
        jmp     SetLinePointers
Done:   rts

NewLine:
        lda     #0
        sta     CURS_X
        sta     RVS
        sta     QTSW
        ldx     CURS_Y                  ; a line that carries on below: to
        cpx     #ROWS - 1               ; the row after its second one
        bcs     @fresh
        lda     LINKS+1,x
        beq     @fresh
        jsr     CursorDown
@fresh: jsr     CursorDown
        ldx     CURS_Y
        lda     #0
        sta     LINKS,x
        rts

; A control code: a colour, or one of the editing codes; others do nothing.
Control:
        ldx     #15
@colour:
        cmp     ColourCodes,x
        beq     @setColour
        dex
        bpl     @colour
        ldx     #ControlCodesEnd - ControlCodes - 1
@find:  cmp     ControlCodes,x
        beq     @run
        dex
        bpl     @find
        rts
@setColour:
        lda     ColourValues,x
        sta     CHARCOLOR
        rts
@run:   lda     ControlHigh,x
        pha
        lda     ControlLow,x
        pha
        rts

CursorUp:
        lda     CURS_Y
        beq     Done
        dec     CURS_Y
        jmp     SetLinePointers

CursorLeft:
        lda     CURS_X
        beq     @wrap
        dec     CURS_X
        rts
@wrap:  lda     CURS_Y
        beq     Done
        dec     CURS_Y
        lda     #COLUMNS - 1
        sta     CURS_X
        jmp     SetLinePointers

ReverseOn:
        lda     #$80
        sta     RVS
        rts

ReverseOff:
        lda     #0
        sta     RVS
        rts

LowerCase:
        lda     TED_CHARBASE
        and     #$02
        ora     #CHARSET_LOWER
        sta     TED_CHARBASE
        rts

UpperCase:
        lda     TED_CHARBASE
        and     #$02
        ora     #CHARSET_UPPER
        sta     TED_CHARBASE
        rts

; $08 keeps Shift+C= from switching the character set, $09 lets it again.
LockCase:
        lda     #$80
        sta     CASELOCK
        rts

UnlockCase:
        lda     #0
        sta     CASELOCK
        rts

; INST/DEL: the rest of the row moves left over the character before the
; cursor; at the start of a row the cursor goes to the end of the one above.
DeleteChar:
        ldy     CURS_X
        beq     @atStart
@shift: lda     (SCREEN_PTR),y
        dey
        sta     (SCREEN_PTR),y
        iny
        lda     (CRAM_PTR),y
        dey
        sta     (CRAM_PTR),y
        iny
        iny
        cpy     #COLUMNS
        bcc     @shift
        ldy     #COLUMNS - 1
        lda     #$20
        sta     (SCREEN_PTR),y
        lda     CHARCOLOR
        sta     (CRAM_PTR),y
        dec     CURS_X
        rts
@atStart:
        lda     CURS_Y
        beq     @top
        dec     CURS_Y
        jsr     SetLinePointers
        ldy     #COLUMNS - 1
        sty     CURS_X
        lda     #$20
        sta     (SCREEN_PTR),y
@top:   rts

; Shift+INST/DEL: a space opens at the cursor when the row's last place is
; free.
InsertChar:
        ldy     #COLUMNS - 1
        lda     (SCREEN_PTR),y
        cmp     #$20
        bne     @full
@shift: cpy     CURS_X
        beq     @open
        dey
        lda     (SCREEN_PTR),y
        iny
        sta     (SCREEN_PTR),y
        dey
        lda     (CRAM_PTR),y
        iny
        sta     (CRAM_PTR),y
        dey
        jmp     @shift
@open:  lda     #$20
        sta     (SCREEN_PTR),y
@full:  rts

; Everything moves up a row; the bottom row is cleared.  Four passes of
; 240 bytes, each copying upwards, so no pass overwrites what the next one
; reads.
ScrollUp:
        ldx     #0
@p1:    lda     SCREEN+40,x
        sta     SCREEN,x
        lda     COLOURS+40,x
        sta     COLOURS,x
        inx
        cpx     #240
        bne     @p1
        ldx     #0
@p2:    lda     SCREEN+280,x
        sta     SCREEN+240,x
        lda     COLOURS+280,x
        sta     COLOURS+240,x
        inx
        cpx     #240
        bne     @p2
        ldx     #0
@p3:    lda     SCREEN+520,x
        sta     SCREEN+480,x
        lda     COLOURS+520,x
        sta     COLOURS+480,x
        inx
        cpx     #240
        bne     @p3
        ldx     #0
@p4:    lda     SCREEN+760,x
        sta     SCREEN+720,x
        lda     COLOURS+760,x
        sta     COLOURS+720,x
        inx
        cpx     #240
        bne     @p4
        ldx     #COLUMNS - 1
@clear: lda     #$20
        sta     SCREEN+960,x
        lda     CHARCOLOR
        sta     COLOURS+960,x
        dex
        bpl     @clear
        ldx     #0
@links: lda     LINKS+1,x
        sta     LINKS,x
        inx
        cpx     #ROWS - 1
        bne     @links
        lda     #0
        sta     LINKS+ROWS-1
        dec     INROW                   ; the row the input began on moved
        bpl     @bottom                 ; up too (off the top: never matches)
        lda     #$FF
        sta     INROW
@bottom:
        lda     #ROWS - 1
        sta     CURS_Y
        jmp     SetLinePointers

; A character code (not a control code) as the screen code that shows it.
PetsciiToScreen:
        cmp     #$FF
        beq     @pi
        cmp     #$C0
        bcs     @minus80
        cmp     #$A0
        bcs     @minus40
        cmp     #$60
        bcs     @minus20
        cmp     #$40
        bcs     @minus40
        rts
@minus80:
        sbc     #$80
        rts
@minus40:
        sbc     #$40
        rts
@minus20:
        sbc     #$20
        rts
@pi:    lda     #$5E
        rts

; A screen code read back as the character code that typed it.
ScreenToPetscii:
        and     #$7F
        cmp     #$20
        bcc     @low
        cmp     #$40
        bcc     @same
        cmp     #$60
        bcc     @shifted
        adc     #$3F                    ; carry is set: $60-$7F -> $A0-$BF
        rts
@shifted:
        ora     #$80
        rts
@low:   ora     #$40
@same:  rts

; The TED's hardware cursor on the cursor's place, in the current colour.
ShowCursor:
        ldy     CURS_X
        lda     CHARCOLOR
        sta     (CRAM_PTR),y
        tya
        clc
        adc     SCREEN_PTR
        sta     TED_CURSLO
        lda     SCREEN_PTR+1
        adc     #0
        sec
        sbc     #>SCREEN
        sta     TED_CURSHI
        rts

HideCursor:
        lda     #$FF
        sta     TED_CURSLO
        sta     TED_CURSHI
        rts

; CHRIN from the keyboard (or the screen).  The first call edits until
; Return and takes the row; each call then hands out one character of it,
; and Return ($0D) at its end.  The cursor stays on the row: the caller
; prints the Return when it wants the next row (cc65's library echoes it,
; the command line prints it), as with the machine's own editor.
ScreenIn:
        lda     INSTATE
        beq     @new
        jmp     @give
@new:   lda     CURS_Y
        sta     INROW
        lda     CURS_X
        sta     INCOL
@edit:  jsr     ShowCursor
@poll:  jsr     GetKey
        beq     @poll
        pha
        jsr     HideCursor
        pla
        cmp     #$0D
        beq     @take
        jsr     PutChar
        jmp     @edit
@take:  ldx     CURS_Y                  ; the line's first row: the one
        lda     LINKS,x                 ; above when this one carries it on
        beq     @first
        dex
@first: stx     EDROW
        lda     RowStarts,x             ; rows follow each other in memory:
        sta     EDPTR                   ; the line is one run of 40 or 80
        lda     RowPages,x
        sta     EDPTR+1
        ldy     #0                      ; from its start, or from where the
        cpx     INROW                   ; input began on it
        bne     @from
        ldy     INCOL
@from:  sty     EDTMP
        ldy     #COLUMNS - 1
        inx
        cpx     #ROWS
        bcs     @trim
        lda     LINKS,x
        beq     @trim
        ldy     #2 * COLUMNS - 1
@trim:  cpy     EDTMP
        bcc     @empty
        lda     (EDPTR),y
        cmp     #$20
        bne     @last
        dey
        bpl     @trim
@empty: ldx     #0
        beq     @taken
@last:  iny
        sty     EDROW                   ; just past the last character
        ldx     #0
        ldy     EDTMP
@copy:  lda     (EDPTR),y
        jsr     ScreenToPetscii
        sta     INBUF,x
        inx
        iny
        cpy     EDROW
        bne     @copy
@taken: stx     INLEN
        lda     #0
        sta     INPOS
        sta     QTSW
        lda     #1
        sta     INSTATE
@give:  ldx     INPOS
        cpx     INLEN
        bcs     @end
        lda     INBUF,x
        inc     INPOS
        clc
        rts
@end:   lda     #0
        sta     INSTATE
        lda     #$0D
        clc
        rts

; CHRIN from the screen (device 3): the character under the cursor, which
; moves on along the row; past its end Return, and the cursor goes to the
; start of the next row.  Never waits.
ScreenRead:
        ldy     CURS_X
        cpy     #COLUMNS
        bcs     @end
        lda     (SCREEN_PTR),y
        jsr     ScreenToPetscii
        inc     CURS_X
        clc
        rts
@end:   jsr     NewLine
        lda     #$0D
        clc
        rts

; The control codes the editor acts on, and where (the address - 1, for RTS).
ControlCodes:
        .byte   $11, $91, $1D, $9D, $12, $92, $13, $93, $14, $94, $0E, $8E, $08, $09
ControlCodesEnd:
ControlLow:
        .lobytes CursorDown-1, CursorUp-1, CursorRight-1, CursorLeft-1, ReverseOn-1, ReverseOff-1
        .lobytes Home-1, ClearScreen-1, DeleteChar-1, InsertChar-1, LowerCase-1, UpperCase-1
        .lobytes LockCase-1, UnlockCase-1
ControlHigh:
        .hibytes CursorDown-1, CursorUp-1, CursorRight-1, CursorLeft-1, ReverseOn-1, ReverseOff-1
        .hibytes Home-1, ClearScreen-1, DeleteChar-1, InsertChar-1, LowerCase-1, UpperCase-1
        .hibytes LockCase-1, UnlockCase-1

; The sixteen colour codes (CTRL+1-8, C=+1-8) and the attribute each sets:
; the TED's colour in bits 0-3, its luminance in bits 4-6.
ColourCodes:
        .byte   $90, $05, $1C, $9F, $9C, $1E, $1F, $9E
        .byte   $81, $95, $96, $97, $98, $99, $9A, $9B
ColourValues:
        .byte   $00, $71, $32, $63, $44, $35, $46, $77
        .byte   $48, $29, $5A, $6B, $5C, $6D, $2E, $5F

; 0xFF15-0xFF19 at the start, as the machine's own start sets them.
StartColours:
        .byte   $71, $5B, $75, $77, $6E

; Where each row starts on the screen.
RowStarts:
        .repeat ROWS, row
        .byte   <(SCREEN + row * COLUMNS)
        .endrepeat
RowPages:
        .repeat ROWS, row
        .byte   >(SCREEN + row * COLUMNS)
        .endrepeat

; cc65's library clears the screen by calling here.
        .segment "ENTRY_CLRSCR"
        jmp     ClearScreen
