; macros: parameters, local labels, LOCAL, nesting, conditions
        DEFINE  FAST = 1
PUT     MACRO   REG, VAL
        MVL     VAL
        MVF     REG, 1
        ENDM
DELAY   MACRO   N
TMP     LOCAL   DLYCNT
TMP     EQU     N
        IF      FAST
        MVL     TMP
        ELSE
        MVL     TMP+TMP
        ENDIF
AGAIN:  DCF     WREG, 0
        JNZ     AGAIN
        ENDM
BOTH    MACRO   R
        PUT     R, 5
        DELAY   2
        ENDM
WREG    EQU     29H

        PUT     80H, 1
        BOTH    81H
DONE:   RET
