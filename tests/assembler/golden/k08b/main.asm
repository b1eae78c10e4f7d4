; K08B core: one-word CALL and JMP; chip 113 watchdog vector
        ORG     3CH
LOOP:   CALL    SUB
        BTSZ    80H, 0
        JMP     LOOP
SUB:    RET
