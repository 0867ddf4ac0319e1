; Alice: bubble sort.

        ORG 8000H
START:  LDA 8050H
        CPI 02H
        JC DONE                 ; fewer than two bytes: already sorted
        MOV D,A
        DCR D                   ; D: passes left, N - 1
PASS:   LXI H,8051H
        MOV C,D                 ; C: comparisons in this pass
NEXT:   MOV A,M
        INX H
        CMP M                   ; this byte against the next
        JC KEEP                 ; smaller: in order
        JZ KEEP                 ; equal: in order
        MOV B,M                 ; larger: swap the two
        MOV M,A
        DCX H
        MOV M,B
        INX H
KEEP:   DCR C
        JNZ NEXT
        DCR D
        JNZ PASS
DONE:   HLT
