; call shortening
START:  CALL    SUB1
        CALL    SUB2
        JMP     START
SUB1:   RET
SUB2:   RETL    5
