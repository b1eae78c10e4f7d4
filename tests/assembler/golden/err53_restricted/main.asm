        NOP
        INCLUDE secret.inc
