; A 16-bit countdown in BC inside an 8-bit countdown in D: 64 x 65535 x 4
; instructions. Leaves D (00) at 8800.

        ORG 8000H
        MVI D,40H
OUTER:  LXI B,0FFFFH
INNER:  DCX B
        MOV A,B
        ORA C
        JNZ INNER
        DCR D
        JNZ OUTER
        MOV A,D
        STA 8800H
        HLT
