        MVL     1
        MVL     2
        ORG     1
        MVL     3
        MVL     4
