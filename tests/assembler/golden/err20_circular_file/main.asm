        INCLUDE A.INC
