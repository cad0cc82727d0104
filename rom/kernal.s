; Ravlin's open boot ROM: reset, interrupts, the set-up routines, the clock
; and the KERNAL's jump table at 0xFF81-0xFFF3 with the vectors above it.
;
; Every entry of the jump table keeps the documented register conventions:
; a routine that reports an error returns with carry set and the error
; number in A; the I/O calls go through the RAM vectors at 0x031A-0x0333 so
; that a program can hook them.

        .include "equates.inc"

        .import ScreenInit, ClearScreen, ScreenOut, SetLinePointers, ScanKeyboard
        .import GetKey, KeyboardInit
        .import OpenFile, CloseFile, ChkIn, ChkOut, ClrChn, ChrIn, ChrOut, GetIn
        .import ClAll, LoadFile, SaveFile, BusInit
        .import BusListen, BusTalk, BusSecond, BusTalkSecond, BusIn, BusOut
        .import BusUnlisten, BusUntalk
        .import CommandLine, BreakEntry

        .export Reset, IrqHandler, Restor, Stop, UdTim, WaitForever

        .segment "KERNAL"

; ---- reset ---------------------------------------------------------------
Reset:  sei
        cld
        ldx     #$FF
        txs
        sta     TED_ROMON
        jsr     CartridgeScan           ; a module may take over from here
        jsr     RamTas
        jsr     IoInit
        jsr     Restor
        jsr     ScreenInit
        cli
        jmp     CommandLine

; IOINIT: the TED's interrupts (the raster at line 0, once a frame, as the
; machine's own start leaves it), the keyboard latch, the drive's port, and
; no files open.
IoInit: sei
        lda     #$FF
        sta     TED_IRQFLAGS            ; drop anything pending
        sta     KEYPORT
        sta     TED_KBD
        lda     #0
        sta     TED_RASTER
        lda     #$02                    ; the raster interrupt alone; compare bit 8 = 0
        sta     TED_IRQMASK
        jsr     BusInit
        lda     #0
        sta     LDTND
        sta     STATUS
        sta     DFLTN
        lda     #3
        sta     DFLTO
        rts

; RAMTAS: clears the zero page and pages 2-7 (the stack stays), sets the
; program's start and the top of memory (found by looking for the RAM's
; repeat), and puts the RAM-fetch routine in place.  The program area keeps what it held, as after a reset.
RamTas: lda     #0
        ldx     #2
@zp:    sta     $00,x
        inx
        bne     @zp
@pages: sta     $0200,x
        sta     $0300,x
        sta     $0400,x
        sta     $0500,x
        sta     $0600,x
        sta     $0700,x
        inx
        bne     @pages
        ldx     #FetchCodeEnd - FetchCode - 1
@fetch: lda     FetchCode,x
        sta     FETCH,x
        dex
        bpl     @fetch
        lda     #$01
        sta     TXTTAB
        sta     LOADSTART
        lda     #$10
        sta     TXTTAB+1
        sta     LOADSTART+1
        lda     #$00
        sta     MEMSIZE
        ; The C16's 16 KiB repeat every 16 KiB: a byte written at $0002
        ; shows at $4002 too, and the top of memory is $4000.  Otherwise it
        ; is the I/O area at $FD00.
        ldx     #$FD
        lda     #$55
        sta     $02
        cmp     $4002
        bne     @top
        lda     #$AA
        sta     $02
        cmp     $4002
        bne     @top
        ldx     #$40
@top:   stx     MEMSIZE+1
        lda     #0
        sta     $02
        rts

; Copied to FETCH: reads a byte from RAM under the ROMs, interrupts held
; off while the ROMs are away (their vectors go with them).  Flags are not
; those of the byte.
FetchCode:
        php
        sei
        sta     TED_RAMON
        lda     (IOPTR),y
        sta     TED_ROMON
        plp
        rts
FetchCodeEnd:

; RESTOR: the RAM vectors to this ROM's routines.
Restor: ldx     #VectorDefaultsEnd - VectorDefaults - 1
@copy:  lda     VectorDefaults,x
        sta     IRQVEC,x
        dex
        bpl     @copy
        rts

; VECTOR: carry set copies the RAM vectors to (X/Y), clear copies them from it.
Vector: stx     EDPTR
        sty     EDPTR+1
        ldy     #VectorDefaultsEnd - VectorDefaults - 1
@loop:  bcc     @set
        lda     IRQVEC,y
        sta     (EDPTR),y
        bcs     @next
@set:   lda     (EDPTR),y
        sta     IRQVEC,y
@next:  dey
        bpl     @loop
        rts

VectorDefaults:
        .word   IrqHandler, BreakEntry, NmiReturn
        .word   OpenFile, CloseFile, ChkIn, ChkOut, ClrChn, ChrIn, ChrOut
        .word   Stop, GetIn, ClAll, BreakEntry, LoadFile, SaveFile
VectorDefaultsEnd:

; ---- interrupts ----------------------------------------------------------
; The processor's IRQ and BRK both come here: A, X and Y are pushed (the
; order every handler on this machine expects), then the break flag in the
; pushed status tells a BRK (through BRKVEC) from an interrupt (IRQVEC).
IrqEntry:
        pha
        txa
        pha
        tya
        pha
        tsx
        lda     $0104,x
        and     #$10
        bne     @brk
        jmp     (IRQVEC)
@brk:   jmp     (BRKVEC)

; The ROM's own interrupt handler (IRQVEC): the raster interrupt once a
; frame counts the jiffy clock and scans the keyboard; every TED source is
; acknowledged.  Ends as every handler does: Y, X and A pulled, RTI.
; The clock counts 60 jiffies a second, as programs expect (cc65's clock()
; counts 60 to the second), from 50 frames: one jiffy a frame and a second
; one every fifth frame.
IrqHandler:
        cld
        lda     TED_IRQFLAGS
        sta     TED_IRQFLAGS
        and     #$02
        beq     @done
        jsr     UdTim
        dec     JIFFYFIFTHS
        bpl     @scan
        lda     #4
        sta     JIFFYFIFTHS
        jsr     UdTim
@scan:  jsr     ScanKeyboard
@done:  pla
        tay
        pla
        tax
        pla
NmiReturn:
        rti

NmiEntry:
        jmp     (NMIVEC)

; UDTIM: one jiffy more.  The clock wraps at 24 hours (5,184,000 jiffies).
UdTim:  inc     TIME+2
        bne     @wrap
        inc     TIME+1
        bne     @wrap
        inc     TIME
@wrap:  lda     TIME+2
        cmp     #$00
        lda     TIME+1
        sbc     #$1A
        lda     TIME
        sbc     #$4F
        bcc     @done
        lda     #0
        sta     TIME
        sta     TIME+1
        sta     TIME+2
@done:  rts

; RDTIM / SETTIM: the clock in Y (high), X, A (low).
RdTim:  sei
        lda     TIME+2
        ldx     TIME+1
        ldy     TIME
        cli
        rts

SetTim: sei
        sta     TIME+2
        stx     TIME+1
        sty     TIME
        cli
        rts

; STOP: Z set while RUN/STOP is held (and the key buffer is emptied then).
Stop:   lda     STKEY
        cmp     #$7F
        bne     @no
        php
        lda     #0
        sta     KEY_COUNT
        plp
@no:    rts

; ---- small calls -----------------------------------------------------------
Screen: ldx     #COLUMNS
        ldy     #ROWS
        rts

; PLOT: carry set reads the cursor into X (row) and Y (column); clear puts
; it there.
Plot:   bcs     @get
        stx     CURS_Y
        sty     CURS_X
        jsr     SetLinePointers
        clc
@get:   ldx     CURS_Y
        ldy     CURS_X
        rts

IoBase: ldx     #$00
        ldy     #$FD
        rts

MemTop: bcc     @set
        ldx     MEMSIZE
        ldy     MEMSIZE+1
        rts
@set:   stx     MEMSIZE
        sty     MEMSIZE+1
        rts

MemBot: bcc     @set
        ldx     TXTTAB
        ldy     TXTTAB+1
        rts
@set:   stx     TXTTAB
        sty     TXTTAB+1
        rts

SetMsg: sta     MSGFLG
        lda     STATUS
        rts

SetTmo: rts

ReadSt: lda     STATUS
        rts

SetLfs: sta     LFN
        stx     DEVNUM
        sty     SECADR
        rts

SetNam: sta     FNLEN
        stx     FNADR
        sty     FNADR+1
        rts

Cint:   jmp     ScreenInit

WaitForever:
        jmp     WaitForever

; LOAD and SAVE take their arguments in registers before the vector: X/Y
; the address, A the verify flag or the zero-page pointer.
LoadVia:
        stx     IOPTR
        sty     IOPTR+1
        jmp     (ILOADV)
SaveVia:
        stx     IOEND
        sty     IOEND+1
        jmp     (ISAVEV)

; ---- the jump table --------------------------------------------------------
        .segment "JUMPTABLE"
        .byte   $80             ; a PAL machine's KERNAL (bit 7 set)
        jmp     Cint            ; FF81 CINT
        jmp     IoInit          ; FF84 IOINIT
        jmp     RamTas          ; FF87 RAMTAS
        jmp     Restor          ; FF8A RESTOR
        jmp     Vector          ; FF8D VECTOR
        jmp     SetMsg          ; FF90 SETMSG
        jmp     BusSecond       ; FF93 SECOND
        jmp     BusTalkSecond   ; FF96 TKSA
        jmp     MemTop          ; FF99 MEMTOP
        jmp     MemBot          ; FF9C MEMBOT
        jmp     ScanKeyboard    ; FF9F SCNKEY
        jmp     SetTmo          ; FFA2 SETTMO
        jmp     BusIn           ; FFA5 ACPTR
        jmp     BusOut          ; FFA8 CIOUT
        jmp     BusUntalk       ; FFAB UNTLK
        jmp     BusUnlisten     ; FFAE UNLSN
        jmp     BusListen       ; FFB1 LISTEN
        jmp     BusTalk         ; FFB4 TALK
        jmp     ReadSt          ; FFB7 READST
        jmp     SetLfs          ; FFBA SETLFS
        jmp     SetNam          ; FFBD SETNAM
        jmp     (IOPENV)        ; FFC0 OPEN
        jmp     (ICLOSEV)       ; FFC3 CLOSE
        jmp     (ICHKINV)       ; FFC6 CHKIN
        jmp     (ICKOUTV)       ; FFC9 CHKOUT
        jmp     (ICLRCHV)       ; FFCC CLRCHN
        jmp     (IBASINV)       ; FFCF CHRIN
        jmp     (IBSOUTV)       ; FFD2 CHROUT
        jmp     LoadVia         ; FFD5 LOAD
        jmp     SaveVia         ; FFD8 SAVE
        jmp     SetTim          ; FFDB SETTIM
        jmp     RdTim           ; FFDE RDTIM
        jmp     (ISTOPV)        ; FFE1 STOP
        jmp     (IGETINV)       ; FFE4 GETIN
        jmp     (ICLALLV)       ; FFE7 CLALL
        jmp     UdTim           ; FFEA UDTIM
        jmp     Screen          ; FFED SCREEN
        jmp     Plot            ; FFF0 PLOT
        jmp     IoBase          ; FFF3 IOBASE


        .segment "VECTORS"
        .word   NmiEntry, Reset, IrqEntry

; ---- cartridges ------------------------------------------------------------
        .segment "BANKING"

; The scan at reset, first thing as on the machine: slot 2 (ROM bank 3),
; then slot 1 (bank 2), each selected in both windows; a module there with
; "CBM" and number 1 is called at $8000 with the bank recorded in CURBNK
; (interrupts off, nothing else set up: a module sets the machine up
; itself, through the jump table).  When it returns, the scan goes on, and
; ends with bank 0 (this ROM) in both windows.  Bank 1, the Plus/4's
; function ROM, is never there with this ROM.  This code runs from the page
; that shows the KERNAL in every bank.
CartridgeScan:
        ldx     #$0F                    ; the latch offset of bank 3 in both
@bank:  sta     BANKLATCH,x             ; windows; bank 2's is $0A
        ldy     #2
@sign:  lda     MODULE_SIGNATURE,y
        cmp     Signature,y
        bne     @next
        dey
        bpl     @sign
        lda     MODULE_NUMBER
        cmp     #AUTOSTART_MODULE
        bne     @next
        txa
        pha
        lsr     a
        lsr     a
        sta     CURBNK
        jsr     $8000
        sei                             ; as it was, whatever the module did
        cld
        pla
        tax
@next:  txa
        sec
        sbc     #$05
        tax
        cpx     #$05
        bne     @bank
        sta     BANKLATCH               ; bank 0 in both windows
        rts

Signature:
        .byte   "CBM"
