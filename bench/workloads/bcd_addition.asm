; Clears the 32-byte BCD number at 9000, then adds the one at 9100 (= 1) to
; it 65536 times, with ADC and DAA byte by byte: 9000 ends holding 65536 in
; BCD (36 55 06 00 ...).

        ORG 8000H
        LXI H,9000H
        MVI C,32
        XRA A
CLEAR:  MOV M,A
        INX H
        DCR C
        JNZ CLEAR
        MVI A,01H
        STA 9100H
        XRA A
        STA 8810H               ; 256 outer passes
OUTER:  MVI B,00H               ; of 256 additions
ADDONE: LXI H,9000H
        LXI D,9100H
        MVI C,32
        XRA A                   ; no carry into the first byte
DIGIT:  LDAX D
        ADC M
        DAA
        MOV M,A
        INX H
        INX D
        DCR C
        JNZ DIGIT
        DCR B
        JNZ ADDONE
        LDA 8810H
        DCR A
        STA 8810H
        JNZ OUTER
        HLT
