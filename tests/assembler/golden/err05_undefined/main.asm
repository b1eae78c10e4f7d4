        MVL     NOWHERE
        JMP     NOWHERE+1
        MVL     K
K       EQU     NOTYET
