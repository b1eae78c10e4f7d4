        MVL     1, 2
        RET     1, 2
        CLRF    80H, 0, 1
