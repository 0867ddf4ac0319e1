; Bob: bubble sort that repeats passes until one swaps nothing.
        ORG 8000H
START:  LDA 8050H
        CPI 02H
        JC DONE
AGAIN:  LDA 8050H
        DCR A
        MOV C,A                 ; comparisons a pass
        MVI E,00H               ; nothing swapped yet
        LXI H,8051H
NEXT:   MOV A,M
        INX H
        CMP M
        JC KEEP                 ; smaller: in order
        MOV B,M                 ; otherwise swap
        MOV M,A
        DCX H
        MOV M,B
        INX H
        MVI E,01H
KEEP:   DCR C
        JNZ NEXT
        MOV A,E
        ORA A
        JNZ AGAIN               ; swapped something: another pass
DONE:   HLT
