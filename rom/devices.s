; Ravlin's open boot ROM: logical files and the devices behind them.
; Device 0 is the keyboard (through the screen editor), 3 the screen, 8 the
; disk drive on the parallel port; any other device (the tape, 1, the
; printer, 4) is not present, and says so at once.  As on the machine, a
; bus device opened without a name is opened without a word on the bus, and
; its absence shows in STATUS when it is closed or used.
;
; The open files are kept as three tables of ten entries (logical number,
; device, secondary address with $60 added) at the machine's own places.

        .include "equates.inc"

        .import ScreenOut, ScreenIn, ScreenRead, GetKey
        .import BusListen, BusTalk, BusSecond, BusTalkSecond, BusIn, BusOut
        .import BusUnlisten, BusUntalk
        .export OpenFile, CloseFile, ChkIn, ChkOut, ClrChn, ChrIn, ChrOut, GetIn
        .export ClAll, LoadFile, SaveFile

DRIVE       = 8
VERCK       = $93               ; LOAD: 0 load, else verify

        .segment "DEVICES"

; A device that is not there: STATUS says so too (programs look for
; devices by opening them and reading STATUS), carry set, error 5.
NotPresent:
        lda     STATUS
        ora     #ST_ABSENT
        sta     STATUS
        lda     #ERR_ABSENT
        sec
        rts

; Finds logical file A: X its entry, carry clear; carry set when not open.
FindFile:
        ldx     LDTND
@next:  dex
        bmi     @none
        cmp     LAT,x
        bne     @next
        clc
        rts
@none:  sec
        rts

; The name (FNADR, FNLEN bytes) to the listening drive.
SendName:
        ldy     #0
@byte:  cpy     FNLEN
        beq     @done
        lda     (FNADR),y
        jsr     BusOut
        iny
        bne     @byte
@done:  rts

; Secondary address A to drive 8 after LISTEN; carry set (error 5 in A)
; when the drive is not there.
ListenDrive:
        pha
        lda     #DRIVE
        jsr     BusListen
        pla
        bit     STATUS
        bmi     Absent
        jsr     BusSecond
        clc
        rts
Absent: lda     #ERR_ABSENT
        sec
        rts

TalkDrive:
        pha
        lda     #DRIVE
        jsr     BusTalk
        pla
        bit     STATUS
        bmi     Absent
        jsr     BusTalkSecond
        clc
        rts

; OPEN: the file LFN on DEVNUM with SECADR and the name set by SETNAM.
OpenFile:
        lda     LFN
        jsr     FindFile
        bcs     @new
        lda     #ERR_FILE_OPEN
        sec
        rts
@new:   ldx     LDTND
        cpx     #KEYD_SIZE
        bcc     @room
        lda     #ERR_TOO_MANY
        rts
@room:  lda     #0
        sta     STATUS
        lda     DEVNUM
        beq     @add
        cmp     #3
        beq     @add
        cmp     #DRIVE
        beq     @disk
        cmp     #4                      ; the tape and RS-232 are not here
        bcc     @absent
        lda     FNLEN                   ; a bus device without a name opens
        beq     @add                    ; without a word on the bus (its
@absent:                                ; absence shows at CLOSE)
        jmp     NotPresent
@disk:  lda     FNLEN
        beq     @add                    ; no name: nothing to tell the drive
        lda     SECADR
        and     #$0F
        ora     #$F0
        jsr     ListenDrive
        bcs     @failed
        jsr     SendName
        jsr     BusUnlisten
@add:   ldx     LDTND
        lda     LFN
        sta     LAT,x
        lda     DEVNUM
        sta     FAT,x
        lda     SECADR
        and     #$0F
        ora     #$60
        sta     SAT,x
        inc     LDTND
        clc
@failed:
        rts

; CLOSE: logical file A.  Closing a file that is not open does nothing.
CloseFile:
        jsr     FindFile
        bcs     @done
        lda     FAT,x
        cmp     #DRIVE
        beq     @drive
        cmp     #4
        bcc     @remove
        lda     STATUS                  ; another bus device: nobody answers
        ora     #ST_ABSENT
        sta     STATUS
        bne     @remove
@drive:
        txa
        pha
        lda     SAT,x
        and     #$0F
        ora     #$E0
        jsr     ListenDrive
        bcs     @gone
        jsr     BusUnlisten
@gone:  pla
        tax
@remove:
        dec     LDTND                   ; the last entry takes its place
        ldy     LDTND
        lda     LAT,y
        sta     LAT,x
        lda     FAT,y
        sta     FAT,x
        lda     SAT,y
        sta     SAT,x
@done:  clc
        rts

; CHKIN: input from logical file X.  STATUS starts afresh.
ChkIn:  lda     #0
        sta     STATUS
        txa
        jsr     FindFile
        bcc     @open
        lda     #ERR_NOT_OPEN
        rts
@open:  lda     FAT,x
        beq     @local
        cmp     #3
        beq     @local
        cmp     #DRIVE
        beq     @disk
        cmp     #4
        bcc     @notInput
        jmp     NotPresent
@notInput:
        lda     #ERR_NOT_INPUT
        sec
        rts
@disk:  lda     DFLTN
        cmp     #DRIVE
        bne     @talk
        jsr     BusUntalk
@talk:  lda     SAT,x
        jsr     TalkDrive
        bcs     @failed
        lda     #DRIVE
@local: sta     DFLTN
        clc
@failed:
        rts

; CHKOUT: output to logical file X.  STATUS starts afresh.
ChkOut: lda     #0
        sta     STATUS
        txa
        jsr     FindFile
        bcc     @open
        lda     #ERR_NOT_OPEN
        rts
@open:  lda     FAT,x
        cmp     #3
        beq     @local
        cmp     #DRIVE
        beq     @disk
        cmp     #4
        bcc     @notOutput
        jmp     NotPresent
@notOutput:
        lda     #ERR_NOT_OUTPUT
        sec
        rts
@disk:  lda     DFLTO
        cmp     #DRIVE
        bne     @listen
        jsr     BusUnlisten
@listen:
        lda     SAT,x
        jsr     ListenDrive
        bcs     @failed
        lda     #DRIVE
@local: sta     DFLTO
        clc
@failed:
        rts

; CLRCHN: the drive is let go, and input and output are the keyboard and
; the screen again.
ClrChn: lda     DFLTO
        cmp     #DRIVE
        bne     @in
        jsr     BusUnlisten
@in:    lda     DFLTN
        cmp     #DRIVE
        bne     @local
        jsr     BusUntalk
@local: lda     #3
        sta     DFLTO
        lda     #0
        sta     DFLTN
        rts

ClAll:  lda     #0
        sta     LDTND
        jmp     ClrChn

; CHRIN, GETIN and CHROUT keep X and Y.
ChrIn:  txa
        pha
        tya
        pha
        lda     DFLTN
        cmp     #DRIVE
        beq     @disk
        cmp     #3
        beq     @screen
        jsr     ScreenIn
        jmp     KeepXY
@screen:
        jsr     ScreenRead
        jmp     KeepXY
@disk:  jsr     BusIn
KeepXY: sta     EDTMP
        pla
        tay
        pla
        tax
        lda     EDTMP
        clc
        rts

GetIn:  lda     DFLTN
        bne     ChrIn
        txa
        pha
        tya
        pha
        jsr     GetKey
        jmp     KeepXY

ChrOut: pha
        lda     DFLTO
        cmp     #DRIVE
        beq     @disk
        cmp     #3
        bne     @nowhere
        pla
        jmp     ScreenOut
@disk:  pla
        jmp     BusOut
@nowhere:
        pla
        clc
        rts

; Whether DEVNUM is drive 8: carry clear if so, else carry set with the
; error (9 for the keyboard and the screen, 5 for the absent devices).
DiskOnly:
        lda     DEVNUM
        cmp     #DRIVE
        beq     @drive
        cmp     #0
        beq     @illegal
        cmp     #3
        beq     @illegal
        jmp     NotPresent
@illegal:
        lda     #ERR_ILLEGAL_DEVICE
        sec
        rts
@drive: lda     #0
        sta     STATUS
        lda     FNLEN
        bne     @named
        lda     #ERR_NO_NAME
        sec
        rts
@named: clc
        rts

; Closes the drive's channel A after a LOAD or SAVE.
CloseChannel:
        jsr     ListenDrive
        bcs     @done
        jsr     BusUnlisten
@done:  rts

; LOAD: A 0 loads, else verifies; IOPTR (from X/Y) is where, unless
; SECADR is nonzero, when the file's own address counts.  Returns the end
; (the address after the last byte) in X/Y and EAL.
LoadFile:
        sta     VERCK
        jsr     DiskOnly
        bcc     @drive
        rts
@drive: lda     #$F0
        jsr     ListenDrive
        bcc     @named
        rts
@named: jsr     SendName
        jsr     BusUnlisten
        lda     #$60
        jsr     TalkDrive
        bcc     @talking
        rts
@talking:
        jsr     BusIn
        tax
        lda     STATUS
        and     #ST_TIMEOUT_READ|ST_EOI
        bne     @notFound
        txa
        pha
        jsr     BusIn
        tay
        pla
        tax
        lda     STATUS
        and     #ST_TIMEOUT_READ
        bne     @notFound
        lda     SECADR
        and     #$0F
        beq     @relocated
        stx     IOPTR
        sty     IOPTR+1
@relocated:
        lda     IOPTR                   ; the command line saves from here
        sta     LOADSTART
        lda     IOPTR+1
        sta     LOADSTART+1
        lda     STATUS
        and     #ST_EOI
        bne     @end                    ; an address and nothing else
        ldy     #0
@byte:  jsr     BusIn
        ldx     IOPTR+1
        cpx     #$FD                    ; never into the I/O pages
        bcs     @skip
        ldx     VERCK
        bne     @verify
        sta     (IOPTR),y
        jmp     @skip
@verify:
        cmp     (IOPTR),y
        beq     @skip
        lda     STATUS
        ora     #$10
        sta     STATUS
@skip:  inc     IOPTR
        bne     @more
        inc     IOPTR+1
@more:  lda     STATUS                  ; the last byte, or the drive gone
        and     #ST_EOI|ST_TIMEOUT_READ|ST_ABSENT
        beq     @byte
@end:   jsr     BusUntalk
        lda     #$E0
        jsr     CloseChannel
        lda     STATUS                  ; the end of the file, as LOAD leaves it
        ora     #ST_EOI
        sta     STATUS
        ldx     IOPTR
        ldy     IOPTR+1
        stx     EAL
        sty     EAL+1
        clc
        rts
@notFound:
        jsr     BusUntalk
        lda     #$E0
        jsr     CloseChannel
        lda     STATUS                  ; the drive had nothing to send
        ora     #ST_TIMEOUT_READ
        sta     STATUS
        lda     #ERR_NOT_FOUND
        sec
        rts

; SAVE: from the address in the zero-page pair A up to IOEND (not
; included), as a PRG file with its address in front.
SaveFile:
        tax
        lda     $00,x
        sta     IOPTR
        lda     $01,x
        sta     IOPTR+1
        jsr     DiskOnly
        bcc     @drive
        rts
@drive: lda     #$F1
        jsr     ListenDrive
        bcc     @named
        rts
@named: jsr     SendName
        jsr     BusUnlisten
        lda     #$61
        jsr     ListenDrive
        bcs     @failed
        lda     IOPTR
        jsr     BusOut
        lda     IOPTR+1
        jsr     BusOut
        ldy     #0
@byte:  lda     IOPTR
        cmp     IOEND
        lda     IOPTR+1
        sbc     IOEND+1
        bcs     @saved
        jsr     FETCH
        jsr     BusOut
        inc     IOPTR
        bne     @byte
        inc     IOPTR+1
        bne     @byte
@saved: jsr     BusUnlisten
        lda     #$E1
        jsr     CloseChannel
        clc
@failed:
        rts
