; Ravlin's open boot ROM: drive 8 on the parallel port at 0xFEF0.  Each byte
; of the conversation (LISTEN, TALK, a secondary address, data either way,
; UNLISTEN, UNTALK) is one handshake: the command code on port A, wait for
; the drive's reply line (port C bit 7) to drop, the byte on port A (or port
; A turned round to read), the strobe (port C bit 6) low, wait for the reply
; to rise, read the status lines (port B bits 0-1: 2 no data, 3 the last
; byte) and the byte, strobe high; STATUS shows the status lines of the
; latest handshake.  Before LISTEN or TALK the port is probed
; (0x55 written and read back): without a drive it does not answer, and the
; device is not present.  Every wait gives up after about half a second, so
; a drive that goes away never hangs the machine.

        .include "equates.inc"

        .export BusInit, BusListen, BusTalk, BusSecond, BusTalkSecond
        .export BusIn, BusOut, BusUnlisten, BusUntalk

CODE_COMMAND = $81              ; TALK, LISTEN, UNTALK, UNLISTEN
CODE_SECOND = $82               ; a secondary address
CODE_OUT    = $83               ; a byte for the listening drive
CODE_IN     = $84               ; a byte from the talking drive
STROBE      = $40

        .segment "DEVICES"

BusInit:
        lda     #STROBE
        sta     PORTC
        sta     DDRC
        lda     #$00
        sta     DDRB
        sta     LISTENING
        lda     #$FF
        sta     DDRA
        rts

; LISTEN / TALK: A the device.  Only device 8 is on the port; any other,
; or no drive, sets "device not present" in STATUS.
BusListen:
        ora     #$20
        bne     Address
BusTalk:
        ora     #$40
Address:
        sta     BUSBYTE
        and     #$1F
        cmp     #8
        bne     @absent
        lda     #$FF
        sta     DDRA
        lda     #$55
        sta     PORTA
        cmp     PORTA
        bne     @absent
        lda     #$FF
        sta     LISTENING
        lda     #CODE_COMMAND
        jmp     Handshake
@absent:
        lda     #0
        sta     LISTENING
        lda     STATUS
        ora     #ST_ABSENT
        sta     STATUS
        sec
        rts

; SECOND / TKSA: A the secondary address as sent ($60 + channel for data,
; $F0 + channel to open, $E0 + channel to close).
BusSecond:
BusTalkSecond:
        sta     BUSBYTE
        lda     #CODE_SECOND
        bne     HandshakeIfUp

; CIOUT: A to the listening drive.
BusOut: sta     BUSBYTE
        lda     #CODE_OUT
        ; fall through

HandshakeIfUp:
        bit     LISTENING
        bmi     Handshake
        clc
        rts

; ACPTR: a byte from the talking drive; STATUS gets EOI ($40) with the last
; byte, and "time out on read" ($02) when the channel had nothing.
BusIn:  bit     LISTENING
        bmi     @up
        lda     STATUS
        ora     #ST_TIMEOUT_READ
        sta     STATUS
        lda     #$0D
        clc
        rts
@up:    lda     #CODE_IN
        jsr     Handshake
        lda     BUSBYTE
        clc
        rts

BusUnlisten:
        lda     #$3F
        bne     Release
BusUntalk:
        lda     #$5F
Release:
        sta     BUSBYTE
        lda     #CODE_COMMAND
        jsr     HandshakeIfUp
        lda     #0
        sta     LISTENING
        clc
        rts

; One handshake: code A, the byte in BUSBYTE (the byte read, for CODE_IN).
; Keeps X and Y.
Handshake:
        sta     BUSCODE
        txa
        pha
        tya
        pha
        lda     #$FF
        sta     DDRA
        lda     BUSCODE
        sta     PORTA
        jsr     WaitReplyLow
        bcs     @lost
        lda     BUSCODE
        cmp     #CODE_IN
        beq     @read
        lda     BUSBYTE
        sta     PORTA
        lda     #0
        sta     PORTC
        jsr     WaitReplyHigh
        bcs     @lost
        jsr     TakeStatus
        jmp     @done
@read:  lda     #0
        sta     DDRA
        sta     PORTC
        jsr     WaitReplyHigh
        bcs     @lost
        jsr     TakeStatus
        lda     PORTA
        sta     BUSBYTE
@done:  lda     #STROBE
        sta     PORTC
        lda     #$FF
        sta     DDRA
        pla
        tay
        pla
        tax
        clc
        rts
@lost:  lda     #0                      ; the drive went away: not present
        sta     LISTENING
        lda     STATUS
        ora     #ST_ABSENT
        sta     STATUS
        lda     #$0D
        sta     BUSBYTE
        jmp     @done

; Each handshake leaves its own status: a byte after the last one, or the
; UNTALK that ends the conversation, clears the EOI of the one before.
TakeStatus:
        lda     STATUS
        and     #<~(ST_EOI|ST_TIMEOUT_READ)
        sta     STATUS
        lda     PORTB
        and     #$03
        cmp     #$03
        beq     @end
        cmp     #$02
        bne     @ok
        lda     #ST_TIMEOUT_READ
        bne     @set
@end:   lda     #ST_EOI
@set:   ora     STATUS
        sta     STATUS
@ok:    rts

; Wait for the reply line to drop / rise; carry set when it never did.
WaitReplyLow:
        ldx     #0
        ldy     #0
@wait:  lda     PORTC
        bpl     @ok
        dex
        bne     @wait
        dey
        bne     @wait
        sec
        rts
@ok:    clc
        rts

WaitReplyHigh:
        ldx     #0
        ldy     #0
@wait:  lda     PORTC
        bmi     @ok
        dex
        bne     @wait
        dey
        bne     @wait
        sec
        rts
@ok:    clc
        rts

; The port's registers show through here when no drive is attached: none of
; them may look like an answer.
        .segment "PORT"
        .byte   0, 0, 0, 0, 0, 0
