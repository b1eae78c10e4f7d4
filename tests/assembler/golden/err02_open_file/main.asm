        NOP
