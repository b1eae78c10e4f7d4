X       EQU     1
X       EQU     2
L:      NOP
L:      NOP
D       DS      1
D       EQU     3
