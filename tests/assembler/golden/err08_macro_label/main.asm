M       MACRO
IN      NOP
        ENDM
        M
