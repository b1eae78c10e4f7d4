        NOP
        MVF     1BH, 1, 0
        ORG     41H
        MVF     1BH, 1, 0
