; A program that writes a colour register on every raster line: the
; background colour follows the line counter, as raster bars do.  Built with
;   cl65 -t plus4 -u __EXEHDR__ -o line_colours.prg line_colours.s
; and started with RUN.

        .import __EXEHDR__
        .segment "INIT"
        .segment "STARTUP"
        sei
line:   lda $FF1D
wait:   cmp $FF1D
        beq wait
        sta $FF15
        jmp line
