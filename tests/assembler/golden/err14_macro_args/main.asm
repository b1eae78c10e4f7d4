M       MACRO   A
        MVL     A
        ENDM
        M       1, 2
