PORTC   EQU     52H
        BSF     PORTC, 6
        BCF     PORTC, 5
