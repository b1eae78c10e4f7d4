        ORG     3FFH
        NOP
        NOP
        ORG     400H
        NOP
