; A square wave that halts at the end.
        LXI SP,9000H
        MVI C,05H       ; five periods
LOOP:   MVI A,0FFH
        OUT 20H
        CALL HALF
        MVI A,00H
        OUT 20H
        CALL HALF
        DCR C
        JNZ LOOP
        HLT
; 14 x 68 + 14 T-states with its RET
HALF:   MVI B,68
H1:     DCR B
        JNZ H1
        RET
