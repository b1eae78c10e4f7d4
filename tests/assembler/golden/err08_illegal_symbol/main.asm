LABEL   NOP
X:      FOO
:       NOP
OK:     NOP
