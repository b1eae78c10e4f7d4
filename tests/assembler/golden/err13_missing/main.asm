        MVL
        ORG
X       EQU
        MVFF    1
