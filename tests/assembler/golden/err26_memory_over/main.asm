        MEMAR   1FBH
A       DS      1
B       DS      1
C       DS      1
        MEMAR   200H
