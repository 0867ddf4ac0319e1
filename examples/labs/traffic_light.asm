; Traffic lights: four phases on 8255 port C, each held by the monitor's delay.
        LXI SP,9000H
        MVI A,80H       ; 8255: every port an output
        OUT 03H
        LXI H,PHASES
        MVI C,04H
NEXT:   MOV A,M
        OUT 02H         ; the lights of this phase
        LXI D,1000H
        CALL 03BCH      ; the monitor's delay, DE counts
        INX H
        DCR C
        JNZ NEXT
        RST 1           ; back to the monitor
PHASES: DB 14H, 12H, 41H, 21H
