; Multi-byte BCD addition: SUM = NUM1 + NUM2.
;
; Each number is four bytes of packed BCD (eight decimal digits), least
; significant byte first. The carry out of the last byte goes to SUM+4.
;   58473921 + 67382495 = 1 25856416
; After the run: 8070 16, 8071 64, 8072 85, 8073 25, 8074 01.

        ORG 8000H
COUNT   EQU 4                   ; bytes in a number

START:  LXI H,NUM1              ; HL: a byte of NUM1
        LXI D,NUM2              ; DE: a byte of NUM2
        LXI B,SUM               ; BC: a byte of SUM
        MVI A,COUNT
        STA LEFT                ; bytes left to add
        ORA A                   ; no carry into the first byte
LOOP:   LDAX D                  ; A = byte of NUM2
        ADC M                   ;   + byte of NUM1 + carry
        DAA                     ; back to two BCD digits
        STAX B                  ; into SUM
        INX H                   ; the next bytes (INX keeps the flags)
        INX D
        INX B
        LDA LEFT                ; LDA and DCR keep the carry
        DCR A
        STA LEFT
        JNZ LOOP
        MVI A,0
        RAL                     ; A = the last carry
        STAX B                  ; into SUM+4
        HLT

        ORG 8050H
NUM1:   DB 21H,39H,47H,58H      ; 58473921
        ORG 8060H
NUM2:   DB 95H,24H,38H,67H      ; 67382495
        ORG 8070H
SUM:    DS COUNT+1              ; the result and its carry
LEFT:   DS 1

        END START
