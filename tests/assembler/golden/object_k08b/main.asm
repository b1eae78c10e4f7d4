; an object file of a K08B program (one-word CALL and JMP) with GLOBAL
; names of each kind, and its EEPROM image
        GLOBAL  MAIN, WAIT, STEPS, TICKS
STEPS   EQU     5
        MEMAR   80H
TICKS   DS      1
        ORG     0
MAIN:   MVL     STEPS
        MVF     TICKS, 1
        CALL    WAIT
        MVL     HIGH WAIT
        JMP     MAIN
WAIT:   DCSZ    TICKS, 1
        JMP     WAIT
        RET
