; 40 times: fill 9000..90FF with FF, FE, ..., 00, then bubble-sort it
; ascending (the worst case: every pass swaps).

        ORG 8000H
        MVI E,40
AGAIN:  LXI H,9000H
        MVI C,00H
FILL:   MOV A,C
        CMA
        MOV M,A
        INX H
        INR C
        JNZ FILL
PASS:   MVI D,00H               ; swaps in this pass
        LXI H,9000H
        MVI C,0FFH
COMPARE: MOV A,M
        INX H
        CMP M
        JC NEXT
        JZ NEXT
        MOV B,M                 ; swap the two
        MOV M,A
        DCX H
        MOV M,B
        INX H
        INR D
NEXT:   DCR C
        JNZ COMPARE
        MOV A,D
        ORA A
        JNZ PASS
        DCR E
        JNZ AGAIN
        HLT
