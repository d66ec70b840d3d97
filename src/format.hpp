// The two formats pokeloader deals in: the S-record text an assembler writes,
// and the Color BASIC loader it turns that text into. Every fixed value of
// either format is named here and nowhere else.
#pragma once

// ---- Files -----------------------------------------------------------------

// Compiled in on purpose: the tool has no arguments and no configuration.
// On Windows these are what they say; elsewhere the same text is a path
// relative to the working folder, which then holds a folder named "c:".
inline constexpr char INPUT_PATH[] = "c:/coco/as11/M.OUT";
inline constexpr char OUTPUT_PATH[] = "c:/coco/as11/line.bas";

// The new loader is written beside the old one, as "line.bas.<unique>" with
// this suffix, and then renamed over it, so an interrupted or failed run
// never leaves a half loader.
inline constexpr char TEMPORARY_SUFFIX[] = ".tmp";

// ---- S-record text ---------------------------------------------------------

// A record is one line: 'S', a type digit, a byte count pair, then address,
// data and checksum pairs. The byte count covers address, data and checksum.
inline constexpr char RECORD_START = 'S';
inline constexpr int CHECKSUM_SIZE = 1;

// Data records; their type also gives the width of the load address.
inline constexpr char TYPE_DATA_16 = '1';
inline constexpr char TYPE_DATA_24 = '2';
inline constexpr char TYPE_DATA_32 = '3';
// Records that carry no program bytes and are passed over.
inline constexpr char TYPE_HEADER = '0';
inline constexpr char TYPE_COUNT_16 = '5';
inline constexpr char TYPE_COUNT_24 = '6';
// Records that end the data; nothing after one of them is read.
inline constexpr char TYPE_END_32 = '7';
inline constexpr char TYPE_END_24 = '8';
inline constexpr char TYPE_END_16 = '9';

// DOS tools may close a text file with Ctrl-Z; where it stands, the text ends.
inline constexpr int DOS_END_OF_FILE = 0x1A;

// Editors may open a UTF-8 text file with a byte-order mark; it is no text.
inline constexpr char UTF8_BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";

// What an Intel HEX record starts with, told apart for a clearer message.
inline constexpr char INTEL_HEX_START = ':';

// ---- BASIC loader ----------------------------------------------------------

// The loader's line break is CR LF on every host, written byte for byte.
inline constexpr char LINE_BREAK[] = "\r\n";

inline constexpr char COCO_HEADER[] =
    "\r\n"
    "NEW\r\n"
    "\r\n"
    "1 REM COCO2 BASIC OUTPUT ENSURE CAPS LOCK OFF PC KEYBOARD MODE\r\n"
    "\r\n";

// Values on one DATA line: the assembler's record length, and short enough
// for the line to be typed into Color BASIC.
inline constexpr int VALUES_PER_RECORD = 32;

// DATA lines are numbered 10, 20, 30, ...
inline constexpr int LINE_STEP = 10;

// The loop that POKEs the bytes starts here, so every DATA line must be
// numbered below it: a DATA line 2000 would replace the FOR line.
inline constexpr int FOR_LINE_NUMBER = 2000;
inline constexpr int MAX_DATA_LINES = (FOR_LINE_NUMBER - 1) / LINE_STEP;

// Follows FOR_LINE_NUMBER; the loop's upper bound comes after it.
inline constexpr char FOR_LINE_TEXT[] = " FOR I=0 TO ";

inline constexpr char COCO_TRAILER[] =
    "2010 READ K\r\n"
    "\r\n"
    "2020 POKE 14252+I,K\r\n"
    "\r\n"
    "2030 NEXT I\r\n"
    "\r\n"
    "2050 REM BEGIN CLIENT SECTION\r\n"
    "\r\n";

// The POKE loop puts the program's first byte here (the 14252 of line 2020).
inline constexpr int LOAD_ADDRESS = 14252;
