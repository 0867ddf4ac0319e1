; Reference solution: add the two-digit BCD numbers at 8050 and 8051; the
; BCD sum goes to 8052 and the carry (00 or 01) to 8053.

        ORG 8000H
        LDA 8050H
        MOV B,A
        LDA 8051H
        ADD B
        DAA                     ; back to two BCD digits, CY the hundreds
        STA 8052H
        MVI A,00H               ; MVI keeps the carry
        RAL                     ; A = CY
        STA 8053H
        HLT
