        NOP
        ENDM
