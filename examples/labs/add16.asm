; Reference solution: 16-bit addition.
; The numbers at 8050-8051 and 8052-8053 (low byte first); the sum goes to
; 8054-8055 and the carry (00 or 01) to 8056.

        ORG 8000H
        LHLD 8050H              ; HL = the first number
        MOV D,H                 ; DE = the first number (this kit has no XCHG)
        MOV E,L
        LHLD 8052H              ; HL = the second
        MVI C,00H               ; C = the carry
        DAD D                   ; HL = HL + DE, CY set on a carry
        JNC STORE
        INR C
STORE:  SHLD 8054H
        MOV A,C
        STA 8056H
        HLT
