; Ravlin's open boot ROM: one line of a BASIC 3.5 program as text.  The
; tokens $80-$FE stand for BASIC 3.5's keywords (the list every manual of
; the machine prints), $FF for pi; inside quotes every byte is itself.

        .include "equates.inc"

        .import PrintNumber
        .export ListLine

CHROUT      = $FFD2

        .segment "COMMANDS"

; The line at LISTPTR: its number, a space, its text, Return.
ListLine:
        ldy     #2
        lda     (LISTPTR),y
        tax
        iny
        lda     (LISTPTR),y
        jsr     PrintNumber
        lda     #' '
        jsr     CHROUT
        lda     #0
        sta     QUOTED
        ldy     #4
@byte:  lda     (LISTPTR),y
        beq     @end
        iny
        beq     @end                    ; a line never runs past 255 bytes
        cmp     #'"'
        bne     @notQuote
        pha
        lda     QUOTED
        eor     #1
        sta     QUOTED
        pla
@notQuote:
        ldx     QUOTED
        bne     @plain
        cmp     #$80
        bcc     @plain
        sty     CMDTMP2
        jsr     PrintKeyword
        ldy     CMDTMP2
        jmp     @byte
@plain: jsr     CHROUT
        jmp     @byte
@end:   lda     #$0D
        jmp     CHROUT

; The keyword of token A (a token past the list prints "?").
PrintKeyword:
        cmp     #$FF
        bne     @find
        lda     #$DE                    ; pi
        jmp     CHROUT
@find:  and     #$7F
        tax                             ; X: how many names to pass
        lda     #<Keywords
        sta     CMDPTR
        lda     #>Keywords
        sta     CMDPTR+1
        ldy     #0
@pass:  cpx     #0
        beq     @print
@skip:  lda     (CMDPTR),y
        beq     @unknown
        inc     CMDPTR
        bne     @noCarry
        inc     CMDPTR+1
@noCarry:
        asl     a
        bcc     @skip
        dex
        jmp     @pass
@print: lda     (CMDPTR),y
        beq     @unknown
        pha
        and     #$7F
        jsr     CHROUT
        iny
        pla
        bpl     @print
        rts
@unknown:
        lda     #'?'
        jmp     CHROUT

; BASIC 3.5's keywords from token $80 on, the last letter of each with bit
; 7 set.
Keywords:
        ; $80-$8F
        .byte   'E', 'N', 'D'|$80
        .byte   'F', 'O', 'R'|$80
        .byte   'N', 'E', 'X', 'T'|$80
        .byte   'D', 'A', 'T', 'A'|$80
        .byte   'I', 'N', 'P', 'U', 'T', '#'|$80
        .byte   'I', 'N', 'P', 'U', 'T'|$80
        .byte   'D', 'I', 'M'|$80
        .byte   'R', 'E', 'A', 'D'|$80
        .byte   'L', 'E', 'T'|$80
        .byte   'G', 'O', 'T', 'O'|$80
        .byte   'R', 'U', 'N'|$80
        .byte   'I', 'F'|$80
        .byte   'R', 'E', 'S', 'T', 'O', 'R', 'E'|$80
        .byte   'G', 'O', 'S', 'U', 'B'|$80
        .byte   'R', 'E', 'T', 'U', 'R', 'N'|$80
        .byte   'R', 'E', 'M'|$80
        ; $90-$9F
        .byte   'S', 'T', 'O', 'P'|$80
        .byte   'O', 'N'|$80
        .byte   'W', 'A', 'I', 'T'|$80
        .byte   'L', 'O', 'A', 'D'|$80
        .byte   'S', 'A', 'V', 'E'|$80
        .byte   'V', 'E', 'R', 'I', 'F', 'Y'|$80
        .byte   'D', 'E', 'F'|$80
        .byte   'P', 'O', 'K', 'E'|$80
        .byte   'P', 'R', 'I', 'N', 'T', '#'|$80
        .byte   'P', 'R', 'I', 'N', 'T'|$80
        .byte   'C', 'O', 'N', 'T'|$80
        .byte   'L', 'I', 'S', 'T'|$80
        .byte   'C', 'L', 'R'|$80
        .byte   'C', 'M', 'D'|$80
        .byte   'S', 'Y', 'S'|$80
        .byte   'O', 'P', 'E', 'N'|$80
        ; $A0-$AF
        .byte   'C', 'L', 'O', 'S', 'E'|$80
        .byte   'G', 'E', 'T'|$80
        .byte   'N', 'E', 'W'|$80
        .byte   'T', 'A', 'B', '('|$80
        .byte   'T', 'O'|$80
        .byte   'F', 'N'|$80
        .byte   'S', 'P', 'C', '('|$80
        .byte   'T', 'H', 'E', 'N'|$80
        .byte   'N', 'O', 'T'|$80
        .byte   'S', 'T', 'E', 'P'|$80
        .byte   '+'|$80
        .byte   '-'|$80
        .byte   '*'|$80
        .byte   '/'|$80
        .byte   '^'|$80
        .byte   'A', 'N', 'D'|$80
        ; $B0-$BF
        .byte   'O', 'R'|$80
        .byte   '>'|$80
        .byte   '='|$80
        .byte   '<'|$80
        .byte   'S', 'G', 'N'|$80
        .byte   'I', 'N', 'T'|$80
        .byte   'A', 'B', 'S'|$80
        .byte   'U', 'S', 'R'|$80
        .byte   'F', 'R', 'E'|$80
        .byte   'P', 'O', 'S'|$80
        .byte   'S', 'Q', 'R'|$80
        .byte   'R', 'N', 'D'|$80
        .byte   'L', 'O', 'G'|$80
        .byte   'E', 'X', 'P'|$80
        .byte   'C', 'O', 'S'|$80
        .byte   'S', 'I', 'N'|$80
        ; $C0-$CF
        .byte   'T', 'A', 'N'|$80
        .byte   'A', 'T', 'N'|$80
        .byte   'P', 'E', 'E', 'K'|$80
        .byte   'L', 'E', 'N'|$80
        .byte   'S', 'T', 'R', '$'|$80
        .byte   'V', 'A', 'L'|$80
        .byte   'A', 'S', 'C'|$80
        .byte   'C', 'H', 'R', '$'|$80
        .byte   'L', 'E', 'F', 'T', '$'|$80
        .byte   'R', 'I', 'G', 'H', 'T', '$'|$80
        .byte   'M', 'I', 'D', '$'|$80
        .byte   'G', 'O'|$80
        .byte   'R', 'G', 'R'|$80
        .byte   'R', 'C', 'L', 'R'|$80
        .byte   'R', 'L', 'U', 'M'|$80
        .byte   'J', 'O', 'Y'|$80
        ; $D0-$DF
        .byte   'R', 'D', 'O', 'T'|$80
        .byte   'D', 'E', 'C'|$80
        .byte   'H', 'E', 'X', '$'|$80
        .byte   'E', 'R', 'R', '$'|$80
        .byte   'I', 'N', 'S', 'T', 'R'|$80
        .byte   'E', 'L', 'S', 'E'|$80
        .byte   'R', 'E', 'S', 'U', 'M', 'E'|$80
        .byte   'T', 'R', 'A', 'P'|$80
        .byte   'T', 'R', 'O', 'N'|$80
        .byte   'T', 'R', 'O', 'F', 'F'|$80
        .byte   'S', 'O', 'U', 'N', 'D'|$80
        .byte   'V', 'O', 'L'|$80
        .byte   'A', 'U', 'T', 'O'|$80
        .byte   'P', 'U', 'D', 'E', 'F'|$80
        .byte   'G', 'R', 'A', 'P', 'H', 'I', 'C'|$80
        .byte   'P', 'A', 'I', 'N', 'T'|$80
        ; $E0-$EF
        .byte   'C', 'H', 'A', 'R'|$80
        .byte   'B', 'O', 'X'|$80
        .byte   'C', 'I', 'R', 'C', 'L', 'E'|$80
        .byte   'G', 'S', 'H', 'A', 'P', 'E'|$80
        .byte   'S', 'S', 'H', 'A', 'P', 'E'|$80
        .byte   'D', 'R', 'A', 'W'|$80
        .byte   'L', 'O', 'C', 'A', 'T', 'E'|$80
        .byte   'C', 'O', 'L', 'O', 'R'|$80
        .byte   'S', 'C', 'N', 'C', 'L', 'R'|$80
        .byte   'S', 'C', 'A', 'L', 'E'|$80
        .byte   'H', 'E', 'L', 'P'|$80
        .byte   'D', 'O'|$80
        .byte   'L', 'O', 'O', 'P'|$80
        .byte   'E', 'X', 'I', 'T'|$80
        .byte   'D', 'I', 'R', 'E', 'C', 'T', 'O', 'R', 'Y'|$80
        .byte   'D', 'S', 'A', 'V', 'E'|$80
        ; $F0-$FD
        .byte   'D', 'L', 'O', 'A', 'D'|$80
        .byte   'H', 'E', 'A', 'D', 'E', 'R'|$80
        .byte   'S', 'C', 'R', 'A', 'T', 'C', 'H'|$80
        .byte   'C', 'O', 'L', 'L', 'E', 'C', 'T'|$80
        .byte   'C', 'O', 'P', 'Y'|$80
        .byte   'R', 'E', 'N', 'A', 'M', 'E'|$80
        .byte   'B', 'A', 'C', 'K', 'U', 'P'|$80
        .byte   'D', 'E', 'L', 'E', 'T', 'E'|$80
        .byte   'R', 'E', 'N', 'U', 'M', 'B', 'E', 'R'|$80
        .byte   'K', 'E', 'Y'|$80
        .byte   'M', 'O', 'N', 'I', 'T', 'O', 'R'|$80
        .byte   'U', 'S', 'I', 'N', 'G'|$80
        .byte   'U', 'N', 'T', 'I', 'L'|$80
        .byte   'W', 'H', 'I', 'L', 'E'|$80
        .byte   0
