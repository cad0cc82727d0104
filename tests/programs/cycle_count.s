; Counts the processor cycles between the start of raster line FirstLine and
; the start of raster line LastLine (the next frame's, when they are equal),
; with 0xFF06 and 0xFF13 set from Control1Value and ClockValue first.  Lines
; are told by 0xFF1D alone: choose ones whose low byte no other line has.
; The count is in loop rounds of 18 cycles (22 when the high byte steps);
; the test turns them into cycles.  Runs with interrupts off; sets Done.

Control1Value = $F0
ClockValue    = $F1
RoundsLow     = $F2
RoundsHigh    = $F3
Done          = $F4
FirstLine     = $F6
LastLine      = $F7

        sei
        lda Control1Value
        sta $FF06
        lda ClockValue
        sta $FF13
        lda #0
        sta RoundsLow
        sta RoundsHigh
        sta Done
        lda FirstLine
leave:  cmp $FF1D               ; out of the first line if already in it
        beq leave
reach:  cmp $FF1D               ; then wait for it to begin
        bne reach
stay:   inc RoundsLow           ; 5  rounds while the first line lasts
        bne :+                  ; 3
        inc RoundsHigh
:       lda $FF1D               ; 4
        cmp FirstLine           ; 3
        beq stay                ; 3
count:  inc RoundsLow           ; 5  rounds until the last line begins
        bne :+                  ; 3
        inc RoundsHigh
:       lda $FF1D               ; 4
        cmp LastLine            ; 3
        bne count               ; 3
        lda #1
        sta Done
idle:   jmp idle
