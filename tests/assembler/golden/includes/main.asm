; nested includes, names in any case, backslash separators
        INCLUDE DEFS.INC
MAIN:   MVL     ONE
        INCLUDE lib\Code.inc
        JMP     MAIN
