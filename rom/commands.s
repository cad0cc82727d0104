; Ravlin's open boot ROM: the command line at READY.  It is not BASIC: it
; loads, saves, lists and starts programs, and shows the disk's directory.
;
;   LOAD"NAME"[,DEVICE[,1]]   SAVE"NAME"[,DEVICE]   RUN   SYS ADDRESS
;   DIRECTORY["PATTERN"]  $   LIST   NEW   HELP
;
; The device is 8 unless another is given.  RUN starts the program at the
; address its one-line BASIC stub (SYS nnnn) names, or, for a program
; loaded elsewhere with ,1, at its load address; a program that needs BASIC
; gets "BASIC 3.5 ROM NEEDED".  Anything else is "?SYNTAX ERROR".

        .include "equates.inc"

        .import PutChar, ListLine
        .export CommandLine, BreakEntry, PrintText, PrintNumber, Ready

CHROUT      = $FFD2
CHRIN       = $FFCF
CLRCHN      = $FFCC
SETLFS      = $FFBA
SETNAM      = $FFBD
OPEN        = $FFC0
CLOSE       = $FFC3
CHKIN       = $FFC6
LOAD        = $FFD5
SAVE        = $FFD8
STOP        = $FFE1
DIRECTORY_FILE = 14             ; the logical file DIRECTORY reads through
TOKEN_SYS   = $9E

        .segment "COMMANDS"

; From reset: the banner, then READY.
CommandLine:
        lda     #<Banner
        ldy     #>Banner
        jsr     PrintText
        jmp     Ready

; A program returned: READY. one row down from where it left the cursor,
; as after a program run by BASIC.
ProgramEnded:
        sta     TED_ROMON
        cld
        jsr     CLRCHN
        lda     #$0D
        jsr     CHROUT
        ; fall through

; Back at the prompt (after a command, a program's return or a BRK).
Ready:  ldx     #$FA
        txs
        sta     TED_ROMON
        cld
        cli
        jsr     CLRCHN
        jsr     FreshRow
        lda     #<ReadyText
        ldy     #>ReadyText
        jsr     PrintText
NextLine:
        ldx     #0
@read:  jsr     CHRIN
        cmp     #$0D
        beq     @end
        cpx     #88
        bcs     @read
        sta     BUF,x
        inx
        bne     @read
@end:   lda     #0
        sta     BUF,x
        sta     CMDPOS
        lda     #$0D                    ; the cursor on to the next row
        jsr     CHROUT
        jsr     SkipSpaces
        beq     NextLine                ; an empty line: nothing to do
        cmp     #'0'
        bcc     @command
        cmp     #'9'+1
        bcc     NeedBasic               ; a numbered line is BASIC
@command:
        ldx     #0                      ; X walks the command table
@try:   lda     CommandNames,x
        beq     SyntaxError
        ldy     CMDPOS
@compare:
        lda     CommandNames,x
        bmi     @matched                ; the last letter has bit 7 set
        cmp     BUF,y
        bne     @skip
        inx
        iny
        bne     @compare
@matched:
        and     #$7F
        cmp     BUF,y
        bne     @skip
        iny
        sty     CMDPOS
        lda     CommandNames+1,x        ; the handler's number
        tax
        lda     CommandHigh,x
        pha
        lda     CommandLow,x
        pha
        rts
@skip:  lda     CommandNames,x          ; on to the next name
        inx
        asl     a
        bcc     @skip
        inx                             ; past the handler's number
        bne     @try

NeedBasic:
        lda     #<NeedBasicText
        ldy     #>NeedBasicText
        jsr     PrintText
        jmp     Ready

SyntaxError:
        lda     #<SyntaxText
        ldy     #>SyntaxText
        jsr     PrintText
        jmp     Ready

; A BRK: where it happened, then the prompt.
BreakEntry:
        ldx     #$FA
        txs
        sta     TED_ROMON
        jsr     CLRCHN
        jsr     FreshRow
        lda     #<BreakText
        ldy     #>BreakText
        jsr     PrintText
        jmp     Ready

; ---- reading the line --------------------------------------------------
; The next non-space character of the line (Z set at its end); CMDPOS on it.
SkipSpaces:
        ldy     CMDPOS
@next:  lda     BUF,y
        cmp     #' '
        bne     @done
        iny
        bne     @next
@done:  sty     CMDPOS
        cmp     #0
        rts

; Nothing but spaces may follow a command.
EndOfLine:
        jsr     SkipSpaces
        bne     SyntaxError
        rts

; A number, decimal or $hexadecimal, into NUMBER; carry set when none.
ParseNumber:
        lda     #0
        sta     NUMBER
        sta     NUMBER+1
        sta     CMDTMP2                 ; digits seen
        jsr     SkipSpaces
        cmp     #'$'
        beq     @hex
@decimal:
        lda     BUF,y
        sec
        sbc     #'0'
        cmp     #10
        bcs     @end
        pha                             ; NUMBER = NUMBER * 10 + digit
        lda     NUMBER
        ldx     NUMBER+1
        asl     NUMBER
        rol     NUMBER+1
        asl     NUMBER
        rol     NUMBER+1
        clc
        adc     NUMBER
        sta     NUMBER
        txa
        adc     NUMBER+1
        sta     NUMBER+1
        asl     NUMBER
        rol     NUMBER+1
        pla
        clc
        adc     NUMBER
        sta     NUMBER
        bcc     @noCarry
        inc     NUMBER+1
@noCarry:
        inc     CMDTMP2
        iny
        bne     @decimal
@hex:   iny
@hexDigit:
        lda     BUF,y
        sec
        sbc     #'0'
        cmp     #10
        bcc     @add
        sbc     #'A'-'0'-10
        cmp     #10
        bcc     @end
        cmp     #16
        bcs     @end
@add:   ldx     #4
@shift: asl     NUMBER
        rol     NUMBER+1
        dex
        bne     @shift
        ora     NUMBER
        sta     NUMBER
        inc     CMDTMP2
        iny
        bne     @hexDigit
@end:   sty     CMDPOS
        lda     CMDTMP2
        beq     @none
        clc
        rts
@none:  sec
        rts

; "NAME" into FNBUF, then ,DEVICE and ,SECONDARY (defaults 8 and 0).
; SETNAM and SETLFS are called.  Carry set for a malformed line.
ParseFileArguments:
        lda     #8
        sta     DEVNUM
        lda     #0
        sta     SECADR
        sta     FNLEN
        jsr     SkipSpaces
        beq     @set
        cmp     #'"'
        bne     @device
        ldx     #0
        iny
@name:  lda     BUF,y
        beq     @named
        iny
        cmp     #'"'
        beq     @named
        cpx     #16
        bcs     @name
        sta     FNBUF,x
        inx
        bne     @name
@named: stx     FNLEN
        sty     CMDPOS
@device:
        jsr     SkipSpaces
        beq     @set
        cmp     #','
        bne     @bad
        inc     CMDPOS
        jsr     ParseNumber
        bcs     @bad
        lda     NUMBER+1
        bne     @bad
        lda     NUMBER
        cmp     #31
        bcs     @bad
        sta     DEVNUM
        jsr     SkipSpaces
        beq     @set
        cmp     #','
        bne     @bad
        inc     CMDPOS
        jsr     ParseNumber
        bcs     @bad
        lda     NUMBER
        sta     SECADR
        jsr     SkipSpaces
        bne     @bad
@set:   lda     FNLEN
        ldx     #<FNBUF
        ldy     #>FNBUF
        jsr     SETNAM
        lda     #DIRECTORY_FILE
        ldx     DEVNUM
        ldy     SECADR
        jsr     SETLFS
        clc
        rts
@bad:   sec
        rts

; ---- the commands -------------------------------------------------------
DoLoad: jsr     ParseFileArguments
        bcc     @parsed
        jmp     SyntaxError
@parsed:
        lda     FNLEN
        beq     @load                   ; LOAD's own error names it
        lda     #<SearchingText
        ldy     #>SearchingText
        jsr     PrintText
        jsr     PrintName
        lda     #<LoadingText
        ldy     #>LoadingText
        jsr     PrintText
@load:  lda     #0
        ldx     TXTTAB
        ldy     TXTTAB+1
        jsr     LOAD
        bcs     IoError
        stx     VARTAB                  ; the program's end, as after a load
        sty     VARTAB+1
        stx     ARYTAB
        sty     ARYTAB+1
        stx     STREND
        sty     STREND+1
        lda     LOADSTART               ; loaded at the start of BASIC: its
        cmp     TXTTAB                  ; lines are linked for where they
        bne     @ready                  ; are now
        lda     LOADSTART+1
        cmp     TXTTAB+1
        bne     @ready
        jsr     Relink
@ready: jmp     Ready

; Sets each line's link to the line after its end (its zero byte), from the
; start of BASIC, as BASIC does after every load: a program saved from
; another address, or the drive's directory (whose links it leaves for the
; computer to fill in), then lists.  Stops at the end mark (a link whose
; high byte is 0) or at a line that does not end before VARTAB, so it writes
; nothing past what was loaded.
Relink: lda     TXTTAB
        sta     LISTPTR
        lda     TXTTAB+1
        sta     LISTPTR+1
@line:  ldy     #1
        lda     (LISTPTR),y
        beq     @done
        lda     LISTPTR                 ; past the link and the line number
        clc
        adc     #4
        sta     CMDTMP
        lda     LISTPTR+1
        adc     #0
        sta     CMDTMP+1
        ldy     #0
@scan:  lda     CMDTMP
        cmp     VARTAB
        lda     CMDTMP+1
        sbc     VARTAB+1
        bcs     @done
        lda     (CMDTMP),y
        inc     CMDTMP
        bne     @next
        inc     CMDTMP+1
@next:  tax
        bne     @scan
        lda     CMDTMP                  ; CMDTMP is just past the zero byte
        sta     (LISTPTR),y
        tax
        iny
        lda     CMDTMP+1
        sta     (LISTPTR),y
        stx     LISTPTR
        sta     LISTPTR+1
        bne     @line
@done:  rts

; The KERNAL's error A as a message.
IoError:
        cmp     #10
        bcc     @known
        lda     #0
@known: tax
        lda     ErrorLow,x
        ldy     ErrorHigh,x
        jsr     PrintText
        jmp     Ready

DoSave: jsr     ParseFileArguments
        bcc     @parsed
        jmp     SyntaxError
@parsed:
        jsr     NothingToSave
        bcc     @something
        lda     #<NothingText
        ldy     #>NothingText
        jsr     PrintText
        jmp     Ready
@something:
        lda     FNLEN
        beq     @save
        lda     #<SavingText
        ldy     #>SavingText
        jsr     PrintText
        jsr     PrintName
        lda     #$0D
        jsr     CHROUT
@save:  lda     #CMDPTR
        ldx     VARTAB
        ldy     VARTAB+1
        jsr     SAVE
        bcs     IoError
        jmp     Ready

; Carry set when there is nothing to save: no bytes from the last load's
; start to the program's end, or only the two zero bytes of an empty
; program (NEW's).  CMDPTR is left on the start.
NothingToSave:
        lda     LOADSTART
        sta     CMDPTR
        lda     LOADSTART+1
        sta     CMDPTR+1
        lda     VARTAB
        sec
        sbc     CMDPTR
        tax
        lda     VARTAB+1
        sbc     CMDPTR+1
        bcc     @nothing                ; the end before the start
        bne     @something
        txa
        beq     @nothing
        cpx     #2
        bne     @something
        ldy     #0
        lda     (CMDPTR),y
        iny
        ora     (CMDPTR),y
        bne     @something
@nothing:
        sec
        rts
@something:
        clc
        rts

PrintName:
        ldx     #0
@char:  cpx     FNLEN
        beq     @done
        lda     FNBUF,x
        jsr     CHROUT
        inx
        bne     @char
@done:  rts

; RUN: a program loaded at the start of BASIC runs if its first line is
; SYS nnnn; one loaded elsewhere runs from its first byte.
DoRun:  jsr     EndOfLine
        lda     LOADSTART
        cmp     TXTTAB
        bne     @machineCode
        lda     LOADSTART+1
        cmp     TXTTAB+1
        bne     @machineCode
        ldy     #1
        lda     (TXTTAB),y              ; no program: nothing to run
        bne     @program
        jmp     Ready
@program:
        ldy     #4                      ; past the link and the line number
@space: lda     (TXTTAB),y
        iny
        cmp     #' '
        beq     @space
        cmp     #TOKEN_SYS
        bne     @needBasic
        ldx     #0                      ; the digits into BUF for ParseNumber
@copy:  lda     (TXTTAB),y
        sta     BUF,x
        beq     @copied
        iny
        inx
        cpx     #80
        bcc     @copy
        lda     #0
        sta     BUF,x
@copied:
        lda     #0
        sta     CMDPOS
        lda     BUF
        cmp     #'('
        bne     @number
        inc     CMDPOS
@number:
        jsr     ParseNumber
        bcs     @needBasic
        jmp     CallNumber
@needBasic:
        jmp     NeedBasic
@machineCode:
        lda     LOADSTART
        sta     NUMBER
        lda     LOADSTART+1
        sta     NUMBER+1
        jmp     CallNumber

DoSys:  jsr     ParseNumber
        bcc     @number
        jmp     SyntaxError
@number:
        jsr     EndOfLine
        ; fall through

; Calls the routine at NUMBER with the ROMs in, then back to READY.
CallNumber:
        lda     #>(ProgramEnded-1)
        pha
        lda     #<(ProgramEnded-1)
        pha
        lda     #0
        tax
        tay
        jmp     (NUMBER)

DoNew:  jsr     EndOfLine
        lda     #0
        ldy     #0
        sta     (TXTTAB),y
        iny
        sta     (TXTTAB),y
        lda     TXTTAB
        sta     LOADSTART
        clc
        adc     #2
        sta     VARTAB
        sta     ARYTAB
        sta     STREND
        lda     TXTTAB+1
        sta     LOADSTART+1
        adc     #0
        sta     VARTAB+1
        sta     ARYTAB+1
        sta     STREND+1
        jmp     Ready

DoHelp: jsr     EndOfLine
        lda     #<HelpText
        ldy     #>HelpText
        jsr     PrintText
        jmp     Ready

; LIST: the program from the start of BASIC, its keywords spelled out.  It
; stops at the end of the program, at a link that does not lead forward,
; or when RUN/STOP is pressed.
DoList: jsr     EndOfLine
        lda     TXTTAB
        sta     LISTPTR
        lda     TXTTAB+1
        sta     LISTPTR+1
@line:  ldy     #1
        lda     (LISTPTR),y
        beq     @done
        cmp     #$FD
        bcs     @done
        sta     CMDTMP+1
        dey
        lda     (LISTPTR),y
        sta     CMDTMP
        lda     LISTPTR                 ; a link that does not lead forward:
        cmp     CMDTMP                  ; not a program (or its end)
        lda     LISTPTR+1
        sbc     CMDTMP+1
        bcs     @done
        jsr     ListLine
        ldy     #0
        lda     (LISTPTR),y
        tax
        iny
        lda     (LISTPTR),y
        stx     LISTPTR
        sta     LISTPTR+1
        jsr     STOP
        bne     @line
@done:  jmp     Ready

; DIRECTORY or $: the drive's directory, as the drive sends it (a BASIC
; program of one line per file), printed as it arrives; DIRECTORY"PATTERN"
; lists the matching names only.
DoDirectory:
        lda     #'$'                    ; "$", or "$0:PATTERN" for
        sta     FNBUF                   ; DIRECTORY"PATTERN"
        ldx     #1
        jsr     SkipSpaces
        beq     @named
        cmp     #'"'
        beq     @quote
        jmp     SyntaxError
@quote: lda     #'0'
        sta     FNBUF+1
        lda     #':'
        sta     FNBUF+2
        ldx     #3
        iny
@pattern:
        lda     BUF,y
        beq     @named
        iny
        cmp     #'"'
        beq     @closed
        cpx     #19
        bcs     @pattern
        sta     FNBUF,x
        inx
        bne     @pattern
@closed:
        sty     CMDPOS
        txa
        pha
        jsr     EndOfLine
        pla
        tax
@named: txa
        ldx     #<FNBUF
        ldy     #>FNBUF
        jsr     SETNAM
        lda     #DIRECTORY_FILE
        ldx     #8
        ldy     #0
        jsr     SETLFS
        jsr     OPEN
        bcs     @error
        ldx     #DIRECTORY_FILE
        jsr     CHKIN
        bcs     @failed
        jsr     ReadDirectoryByte       ; the load address
        jsr     ReadDirectoryByte
@line:  jsr     ReadDirectoryByte       ; the link: two zero bytes end it
        sta     CMDTMP
        jsr     ReadDirectoryByte
        ora     CMDTMP
        beq     @end
        jsr     ReadDirectoryByte       ; the blocks, as the line number
        pha
        jsr     ReadDirectoryByte
        tay
        pla
        tax
        tya
        jsr     PrintNumber
        lda     #' '
        jsr     CHROUT
@text:  jsr     ReadDirectoryByte
        beq     @lineEnd
        jsr     CHROUT
        jmp     @text
@lineEnd:
        lda     #$0D
        jsr     CHROUT
        jsr     STOP
        bne     @line
@end:   jsr     CLRCHN
        lda     #DIRECTORY_FILE
        jsr     CLOSE
        jmp     Ready
@failed:
        pha
        lda     #DIRECTORY_FILE
        jsr     CLOSE
        pla
@error: jmp     IoError

; A byte of the directory; at its end (or with the drive gone) zeros, so
; every loop above ends.
ReadDirectoryByte:
        lda     STATUS
        and     #ST_EOI|ST_TIMEOUT_READ|ST_ABSENT
        bne     @none
        jsr     CHRIN
        rts
@none:  lda     #0
        rts

; ---- printing -----------------------------------------------------------
; A message starts at the left edge: Return first unless the cursor is
; already there.
FreshRow:
        lda     CURS_X
        beq     @there
        lda     #$0D
        jsr     CHROUT
@there: rts

; Prints the text at A (low) / Y (high), up to a zero byte.
PrintText:
        sta     CMDTMP
        sty     CMDTMP+1
        ldy     #0
@char:  lda     (CMDTMP),y
        beq     @done
        jsr     CHROUT
        iny
        bne     @char
        inc     CMDTMP+1
        bne     @char
@done:  rts

; Prints X (low) / A (high) in decimal, without leading zeros.
PrintNumber:
        stx     NUMBER
        sta     NUMBER+1
        ldx     #4
@digit: ldy     #'0'
@count: lda     NUMBER
        sec
        sbc     PowersLow,x
        pha
        lda     NUMBER+1
        sbc     PowersHigh,x
        bcc     @less
        sta     NUMBER+1
        pla
        sta     NUMBER
        iny
        bne     @count
@less:  pla
        sty     DIGITS,x
        dex
        bpl     @digit
        ldx     #4
@skip:  lda     DIGITS,x                ; leading zeros are not printed
        cmp     #'0'
        bne     @print
        dex
        bne     @skip
@print: lda     DIGITS,x
        jsr     CHROUT
        dex
        bpl     @print
        rts

PowersLow:
        .byte   <1, <10, <100, <1000, <10000
PowersHigh:
        .byte   >1, >10, >100, >1000, >10000

; ---- tables and texts ---------------------------------------------------
; Each name with bit 7 on its last letter, then its handler's number;
; longer names before the shorter ones they begin with.
CommandNames:
        .byte   "DIRECTOR", 'Y'|$80, 0
        .byte   "LOA", 'D'|$80, 1
        .byte   "SAV", 'E'|$80, 2
        .byte   "RU", 'N'|$80, 3
        .byte   "SY", 'S'|$80, 4
        .byte   "LIS", 'T'|$80, 5
        .byte   "NE", 'W'|$80, 6
        .byte   "HEL", 'P'|$80, 7
        .byte   '$'|$80, 0
        .byte   0
CommandLow:
        .lobytes DoDirectory-1, DoLoad-1, DoSave-1, DoRun-1, DoSys-1, DoList-1, DoNew-1, DoHelp-1
CommandHigh:
        .hibytes DoDirectory-1, DoLoad-1, DoSave-1, DoRun-1, DoSys-1, DoList-1, DoNew-1, DoHelp-1

Banner: .byte   $93
        .byte   " RAVLIN OPEN ROM FOR THE C16 AND PLUS/4", $0D
        .byte   " KERNAL, EDITOR AND A COMMAND LINE", $0D
        .byte   " (NO BASIC: TYPE HELP)", $0D, $0D, 0
ReadyText:
        .byte   "READY.", $0D, 0
NeedBasicText:
        .byte   "BASIC 3.5 ROM NEEDED", $0D, 0
SyntaxText:
        .byte   "?SYNTAX ERROR", $0D, 0
BreakText:
        .byte   "BREAK", $0D, 0
SearchingText:
        .byte   "SEARCHING FOR ", 0
LoadingText:
        .byte   $0D, "LOADING", $0D, 0
SavingText:
        .byte   "SAVING ", 0
NothingText:
        .byte   "?NOTHING TO SAVE ERROR", $0D, 0
HelpText:
        .byte   "LOAD", $22, "NAME", $22, ",8     LOAD AT THE START", $0D
        .byte   "LOAD", $22, "NAME", $22, ",8,1   LOAD AT ITS ADDRESS", $0D
        .byte   "SAVE", $22, "NAME", $22, ",8     SAVE WHAT WAS LOADED", $0D
        .byte   "RUN              START THE PROGRAM", $0D
        .byte   "SYS ADDRESS      CALL MACHINE CODE", $0D
        .byte   "DIRECTORY OR $   LIST THE DISK", $0D
        .byte   "LIST             SHOW A BASIC PROGRAM", $0D
        .byte   "NEW              FORGET THE PROGRAM", $0D, 0

ErrorLow:
        .lobytes UnknownError, TooManyFiles, FileOpen, FileNotOpen, FileNotFound
        .lobytes DeviceNotPresent, NotInputFile, NotOutputFile, MissingName, IllegalDevice
ErrorHigh:
        .hibytes UnknownError, TooManyFiles, FileOpen, FileNotOpen, FileNotFound
        .hibytes DeviceNotPresent, NotInputFile, NotOutputFile, MissingName, IllegalDevice
UnknownError:     .byte "?I/O ERROR", $0D, 0
TooManyFiles:     .byte "?TOO MANY FILES ERROR", $0D, 0
FileOpen:         .byte "?FILE OPEN ERROR", $0D, 0
FileNotOpen:      .byte "?FILE NOT OPEN ERROR", $0D, 0
FileNotFound:     .byte "?FILE NOT FOUND ERROR", $0D, 0
DeviceNotPresent: .byte "?DEVICE NOT PRESENT ERROR", $0D, 0
NotInputFile:     .byte "?NOT INPUT FILE ERROR", $0D, 0
NotOutputFile:    .byte "?NOT OUTPUT FILE ERROR", $0D, 0
MissingName:      .byte "?MISSING FILE NAME ERROR", $0D, 0
IllegalDevice:    .byte "?ILLEGAL DEVICE NUMBER ERROR", $0D, 0
