; an object file of a K08A program: GLOBAL and EXTERN names (plain
; Assemble), two-word instructions, the relocated parts of code labels
        EXTERN  OUTSIDE, COUNT
        GLOBAL  START, SUB, LIMIT, BUF
LIMIT   EQU     20H
        MEMAR   80H
BUF     DS      2
        ORG     0
START:  MVL     LOW TABLE
        MVL     HIGH TABLE+1
        MVL     LOW TABLE-1
        MVL     UP TABLE
        MVL     LIMIT
        MVF     BUF, 1
        MVL     COUNT
        CALL    SUB
        CALL    OUTSIDE
        JMP     START
        JMP     LOOP
        MVFF    BUF, 81H
        LDPR    BUF, 1
        MVLP    TABLE
        RCALL   SUB
        RCALL   OUTSIDE
LOOP:   RJ      LOOP
SUB:    RET
TABLE:  DW      0, 1
