PING    MACRO
        PONG
        ENDM
PONG    MACRO
        PING
        ENDM
        PING
