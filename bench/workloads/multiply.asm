; Shift-and-add multiply in a subroutine that saves what it uses on the
; stack, called for every multiplier FF..01 with itself as multiplicand,
; 256 x 10 times. The last product (01 x 01) is left at 8800, the pass
; count (00) at 8810.

        ORG 8000H
        LXI SP,0A000H
        MVI A,10
        STA 8810H
REPEAT: MVI E,00H
OUTER:  MVI B,0FFH
INNER:  MOV C,B
        CALL MULT
        SHLD 8800H
        DCR B
        JNZ INNER
        DCR E
        JNZ OUTER
        LDA 8810H
        DCR A
        STA 8810H
        JNZ REPEAT
        HLT

; HL := B x C
MULT:   PUSH B
        PUSH D
        PUSH PSW
        LXI H,0000H
        MVI D,00H
        MOV E,C
        MOV A,B
        MVI C,08H
NEXTBIT: DAD H
        RAL
        JNC SKIP
        DAD D
SKIP:   DCR C
        JNZ NEXTBIT
        POP PSW
        POP D
        POP B
        RET
