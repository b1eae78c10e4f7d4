; BLINK08B.ASM - example program for the K08B chips (QR08B1, QR08B2).
;
; The program of BLINK.ASM for the smaller K08B core, which has no relative
; jump: the delay loop goes back with JMP. A counter in RAM counts the passes
; of the main loop; each pass calls a delay subroutine, shows the counter on
; port B and toggles the LED bit of port A. Choose a K08B chip, Assemble &
; Debug (F4), then step (F7) or run and watch COUNT, TICKS, W and the ports.

        INCLUDE BLINK.INC               ; register names, constants, SHOW macro

        MEMAR   80H                     ; variables start in RAM bank 0
COUNT   DS      1                       ; passes of the main loop
TICKS   DS      1                       ; delay counter of the subroutine

        ORG     0
START:  CLRF    COUNT                   ; COUNT := 0
        CLRF    PORTB                   ; port B := 0
MAIN:   CALL    DELAY                   ; wait a little
        INF     COUNT, 1                ; COUNT := COUNT + 1
        SHOW    COUNT                   ; port B := COUNT
        BTGF    PORTA, LED              ; toggle the LED
        JMP     MAIN                    ; and again

; DELAY: counts TICKS down from DELAYCOUNT to zero.
DELAY:  MVL     DELAYCOUNT              ; W := DELAYCOUNT
        MVF     TICKS, 1                ; TICKS := W
WAIT:   DCSZ    TICKS, 1                ; TICKS := TICKS - 1, skip when zero
        JMP     WAIT                    ; K08B: no RJ, a direct jump
        RET
        END
