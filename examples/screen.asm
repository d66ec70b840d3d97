* screen.asm - fill the CoCo 2 text screen with '*' and write POKELOADER
* in the middle of it, then return to BASIC.
* Load address 14252 ($37AC): the loader's POKE loop puts the bytes there.
* Run from BASIC with EXEC 14252.

SCREEN  EQU   $0400           32 x 16 text screen
SCREND  EQU   $0600           first byte after it
STAR    EQU   $6A             '*' in the VDG's normal (dark on green) video
ROW7    EQU   SCREEN+7*32+11  row 7, column 11: centres ten characters

        ORG   $37AC
START   LDX   #SCREEN
        LDA   #STAR
FILL    STA   ,X+
        CMPX  #SCREND
        BNE   FILL
        LDX   #ROW7
        LEAY  MSG,PCR
COPY    LDA   ,Y+             message ends with a zero byte
        BEQ   DONE
        STA   ,X+
        BRA   COPY
DONE    RTS
MSG     FCC   /POKELOADER/    capitals show in normal video as they are
        FCB   0
        END   START
