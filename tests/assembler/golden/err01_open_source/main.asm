        NOP
        INCLUDE MISSING.INC
