; two-word instructions and their NOPF second words
        CALL    FAR
        CALL    FAR, 1
        JMP     FAR
        MVFF    12H, 85H
        LDPR    123H, 1
        MVLP    1FEEH
        ORG     1234H
FAR:    RET
