        CLRF    100H
        CLRF    80H, 1
        MVF     0F00H, 1
        MVFF    1, 0F00H
