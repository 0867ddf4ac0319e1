; The LEDs show the switches:
;   kit85-run --board lab --asm examples/leds.asm --at 8000 --in 01=5A
        BOARD
        LXI SP,9000H
        MVI A,82H       ; 8255: port A out (LEDs), B in (switches), C out
        OUT 03H
        IN 01H          ; the switches
        OUT 00H         ; the LEDs
        RST 1           ; back to the monitor
