; Carol: bubble sort comparing with the sign flag.
        ORG 8000H
        LDA 8050H
        CPI 02H
        JC DONE
        MOV D,A
        DCR D
PASS:   LXI H,8051H
        MOV C,D
NEXT:   MOV A,M
        INX H
        CMP M
        JM KEEP                 ; negative difference: in order
        MOV B,M
        MOV M,A
        DCX H
        MOV M,B
        INX H
KEEP:   DCR C
        JNZ NEXT
        DCR D
        JNZ PASS
DONE:   HLT
