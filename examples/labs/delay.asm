; Reference solution: a delay of one second at the kit's 3.072 MHz clock
; (3,072,000 T-states), then HLT.
;
; The inner loop takes 24 T-states a turn (DCX 6, MOV 4, ORA 4, JNZ 10);
; two outer turns of FA00H (64,000) inner turns come to 3,072,051.

        ORG 8000H
        MVI B,02H               ; outer turns
OUTER:  LXI D,0FA00H            ; inner turns
INNER:  DCX D
        MOV A,D
        ORA E                   ; Z when DE reaches 0000 (DCX sets no flags)
        JNZ INNER
        DCR B
        JNZ OUTER
        HLT
