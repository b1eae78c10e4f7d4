; every directive in one program
K1      EQU     10H             ; constant
K2      EQU     K1+2
CNT     SET     1
CNT     SET     CNT+1           ; SET may change
        MEMAR   90H             ; variables from 90H
V1      DS      2
V2      DS      1
        GLOBAL  START

        ORG     0
START:  MVL     K2
        MVL     CNT
        MVF     V2, 1
        MVL     LOW TABLE
        MVL     HIGH TABLE
        ORG     20H
TABLE:  DB      1, 2, 3
        DW      1234H, START, TABLE+1
        DB      K1
        END
        MVL     99              ; not read after END
