        JZ      FAR
        RJ      NEAR
        ORG     81H
FAR:    NOP
        ORG     405H
NEAR:   NOP
