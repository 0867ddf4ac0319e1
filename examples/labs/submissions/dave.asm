; Dave: not finished.
        ORG 8000H
        LDA 8050H
        MOV D,A
PASS:   LXI H,8051H
        MOV C,D
NEXT:   MOV A,M
        CMP M
        JNC SWAPP
        HLT
