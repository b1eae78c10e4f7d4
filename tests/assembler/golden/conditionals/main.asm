; DEFINE and IF / ELSE / ENDIF
        DEFINE  MODEL = 2
        DEFINE  TWO, 2
        DEFINE  ZERO = 0
        IF      MODEL, TWO
        MVL     1               ; kept: MODEL = TWO
        ELSE
        MVL     2
        ENDIF
        IF      ZERO
        MVL     3
        ELSE
        MVL     4               ; kept: ZERO is not above 0
        ENDIF
        IF      FALSE
        MVL     5
        DEFINE  LATE = 1        ; still defined
        ENDIF
        IF      LATE
        MVL     6
        ENDIF
        MVL     7
