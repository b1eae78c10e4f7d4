        LBSR    17
        LBSR    BIG
BIG     EQU     1100H
