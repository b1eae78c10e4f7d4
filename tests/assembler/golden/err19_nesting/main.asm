M0      MACRO
        M1
        ENDM
M1      MACRO
        M2
        ENDM
M2      MACRO
        M3
        ENDM
M3      MACRO
        M4
        ENDM
M4      MACRO
        M5
        ENDM
M5      MACRO
        M6
        ENDM
M6      MACRO
        M7
        ENDM
M7      MACRO
        M8
        ENDM
M8      MACRO
        M9
        ENDM
M9      MACRO
        M10
        ENDM
M10      MACRO
        M11
        ENDM
M11      MACRO
        M12
        ENDM
M12      MACRO
        M13
        ENDM
M13      MACRO
        M14
        ENDM
M14      MACRO
        M15
        ENDM
M15      MACRO
        M16
        ENDM
M16      MACRO
        M17
        ENDM
M17      MACRO
        M18
        ENDM
M18      MACRO
        M19
        ENDM
M19      MACRO
        M20
        ENDM
M20      MACRO
        M21
        ENDM
M21      MACRO
        M22
        ENDM
M22      MACRO
        M23
        ENDM
M23      MACRO
        M24
        ENDM
M24      MACRO
        M25
        ENDM
M25      MACRO
        M26
        ENDM
M26      MACRO
        M27
        ENDM
M27      MACRO
        M28
        ENDM
M28      MACRO
        M29
        ENDM
M29      MACRO
        M30
        ENDM
M30      MACRO
        M31
        ENDM
M31      MACRO
        M32
        ENDM
M32      MACRO
        NOP
        ENDM
        M0
