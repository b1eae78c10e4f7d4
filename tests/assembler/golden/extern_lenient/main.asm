; EXTERN names in plain Assemble count as their number in the EXTERN list
        EXTERN  OUTSIDE, OTHER
        GLOBAL  ENTRY
ENTRY:  MVL     OTHER
        CALL    OUTSIDE
        RET
