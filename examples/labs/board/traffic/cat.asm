; Traffic lights with a delay loop of my own.
        LXI SP,9000H
        MVI A,80H
        OUT 03H
        LXI H,PHASES
        MVI C,04H
NEXT:   MOV A,M
        OUT 02H
        LXI D,0800H
WAIT:   DCX D
        MOV A,D
        ORA E
        JNZ WAIT
        INX H
        DCR C
        JNZ NEXT
        RST 1
PHASES: DB 14H, 12H, 41H, 21H
