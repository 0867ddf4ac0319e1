; Reference solution: copy the eight bytes at 8050-8057 to 8060-8067.

        ORG 8000H
        LXI H,8050H             ; HL: the byte to copy
        LXI D,8060H             ; DE: where it goes
        MVI C,08H               ; C: bytes left
LOOP:   MOV A,M
        STAX D
        INX H
        INX D
        DCR C
        JNZ LOOP
        HLT
