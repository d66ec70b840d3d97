#include "coco_checks.hpp"

#include "format.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

TEST(CocoChecks, StoredLineSizesCountedByHand) {
  struct line_case {
    const char* line;
    int size;  // link 2 + number 2 + tokenized text + 0 byte
  };
  const line_case cases[] = {
      {"", 0},
      {"NEW", 0},
      // REM=1, then " COCO2 BASIC ... MODE" as typed: 57
      {"1 REM COCO2 BASIC OUTPUT ENSURE CAPS LOCK OFF PC KEYBOARD MODE", 5 + 1 + 57},
      // DATA=1, " 1,22,255" = 9
      {"10 DATA 1,22,255", 5 + 1 + 9},
      // FOR=1 " I"=2 "="=1 "0 "=2 TO=1 " 31"=3
      {"2000 FOR I=0 TO 31", 5 + 10},
      {"2000 FOR I=0 TO -1", 5 + 10},
      // READ=1 " K"=2
      {"2010 READ K", 5 + 3},
      // POKE=1 " 14252"=6 "+"=1 "I,K"=3
      {"2020 POKE 14252+I,K", 5 + 11},
      // NEXT=1 " I"=2
      {"2030 NEXT I", 5 + 3},
      // REM=1 " BEGIN CLIENT SECTION"=21
      {"2050 REM BEGIN CLIENT SECTION", 5 + 22},
  };
  for (const line_case& c : cases) EXPECT_EQ(stored_line_size(c.line), c.size) << c.line;
}

TEST(CocoChecks, BundledExampleLoaderSize) {
  std::string loader = read_file(std::filesystem::path(EXAMPLES_DIR) / "line.bas");
  // REM 63, DATA 10: 5+1+104, DATA 20: 5+1+17, FOR ... TO 37: 15,
  // READ 8, POKE 16, NEXT 8, REM 27, end of program 2.
  EXPECT_EQ(stored_program_size(loader), 63 + 110 + 23 + 15 + 8 + 16 + 8 + 27 + 2);
}

namespace {

std::vector<std::uint8_t> bytes_of(std::size_t count, std::uint8_t value) {
  return std::vector<std::uint8_t>(count, value);
}

// The program's bytes as an S1 record at address, with an S9 end record
// that names entry.
std::string assembled_at(std::uint32_t address, std::uint32_t entry, std::size_t count = 4) {
  return s_record('1', address, bytes_of(count, 0x12)) + "\r\n" + s_record('9', entry, {}) + "\r\n";
}

}  // namespace

// A loader fits from a start while start + stored size + 14 <= 14252: up to
// 4509 stored bytes from 9729 (Disk BASIC), 9117 from 5121 (Disk BASIC after
// PCLEAR 1), 6557 from 7681 (Extended), 11165 from 3073 (Extended after
// PCLEAR 1) and 12701 from 1537 (Color BASIC).
TEST(CocoChecks, SizeWarningOnEachSideOfEveryProgramStart) {
  struct size_case {
    long long stored_size;
    const char* warning;  // nullptr: silent
  };
  const size_case cases[] = {
      {272, nullptr},
      {4509, nullptr},
      {4510,
       "the loader (4510 bytes in BASIC) overwrites itself under Disk BASIC: type PCLEAR 1 before "
       "entering it, leaving 4607 bytes for lines after 2050"},
      {6557,
       "the loader (6557 bytes in BASIC) overwrites itself under Disk BASIC: type PCLEAR 1 before "
       "entering it, leaving 2560 bytes for lines after 2050"},
      {6558,
       "the loader (6558 bytes in BASIC) overwrites itself under Disk and Extended BASIC: type "
       "PCLEAR 1 before entering it, leaving 2559 (Disk) or 4607 (Extended) bytes for lines after "
       "2050"},
      {9117,
       "the loader (9117 bytes in BASIC) overwrites itself under Disk and Extended BASIC: type "
       "PCLEAR 1 before entering it, leaving 0 (Disk) or 2048 (Extended) bytes for lines after "
       "2050"},
      {9118,
       "the loader (9118 bytes in BASIC) overwrites itself under Disk BASIC even after PCLEAR 1; "
       "under Extended BASIC type PCLEAR 1 before entering it, leaving 2047 bytes for lines after "
       "2050"},
      {11165,
       "the loader (11165 bytes in BASIC) overwrites itself under Disk BASIC even after PCLEAR 1; "
       "under Extended BASIC type PCLEAR 1 before entering it, leaving 0 bytes for lines after "
       "2050"},
      {11166,
       "the loader (11166 bytes in BASIC) overwrites itself under Disk and Extended BASIC even "
       "after PCLEAR 1; only Color BASIC without Extended runs it, leaving 1535 bytes for lines "
       "after 2050"},
      {12701,
       "the loader (12701 bytes in BASIC) overwrites itself under Disk and Extended BASIC even "
       "after PCLEAR 1; only Color BASIC without Extended runs it, leaving 0 bytes for lines after "
       "2050"},
  };
  for (const size_case& c : cases) {
    std::optional<std::string> warning = memory_warning(c.stored_size);
    if (c.warning == nullptr) {
      EXPECT_FALSE(warning) << c.stored_size << ": " << *warning;
    } else {
      EXPECT_EQ(warning.value_or("(silent)"), c.warning) << c.stored_size;
    }
  }
}

TEST(CocoChecks, ProgramsEitherSideOfTheDiskBasicLimit) {
  // Fixed part: REM 63, FOR ... TO dddd 17, READ 8, POKE 16, NEXT 8, REM 27,
  // end 2 = 141. A full DATA line of 32 three-digit values: 5+1+1+127 = 134;
  // one of n values: 7 + 4n - 1.
  const long long just_under = 141 + 32 * 134 + (6 + 4 * 18);  // 1042 bytes: 4507
  const long long just_over = 141 + 32 * 134 + (6 + 4 * 19);   // 1043 bytes: 4511
  EXPECT_EQ(stored_program_size(convert_text(repeated_byte_program(200, 1042))), just_under);
  EXPECT_EQ(stored_program_size(convert_text(repeated_byte_program(200, 1043))), just_over);
  EXPECT_EQ(messages_of(repeated_byte_program(200, 1042)), "");
  EXPECT_EQ(messages_of(repeated_byte_program(200, 1043)),
            "0: the loader (4511 bytes in BASIC) overwrites itself under Disk BASIC: type PCLEAR 1 "
            "before entering it, leaving 4606 bytes for lines after 2050\n");
}

TEST(CocoChecks, ALoaderThatFitsUnderNoBasicIsRefused) {
  // 2999 three-digit values make 141 + 93 * 134 + (6 + 4 * 23) = 12701
  // stored bytes, the most that fit from 1537.
  std::vector<std::uint8_t> largest = bytes_of(2999, 200);
  std::vector<std::uint8_t> too_large = loader_one_byte_too_large();
  EXPECT_EQ(stored_program_size(convert_text(program_records(largest))), 12701);
  EXPECT_EQ(stored_program_size(convert_text(program_records(too_large))), 12702);

  std::string loader;
  EXPECT_NE(messages_of(program_records(largest), &loader).find("leaving 0 bytes"), std::string::npos);
  EXPECT_EQ(parse_loader(loader).values.size(), 2999u);
  EXPECT_EQ(messages_of(program_records(too_large)),
            "error 0: program of 3000 bytes makes a loader of 12702 bytes in BASIC, over the 12701 "
            "that fit from 1537 below 14252: it would overwrite itself under every CoCo 2 BASIC\n");
  // Past 199 DATA lines that limit is what the user hears about.
  EXPECT_EQ(messages_of(full_records(MAX_DATA_LINES + 1)),
            "error 0: program of 6400 bytes needs 200 DATA lines, but only 199 fit below line 2000 "
            "(at most 6368 bytes)\n");
}

TEST(CocoChecks, ProgramsPastTheSixteenKStackWarn) {
  // 1870 bytes end at 16121, the last byte BASIC's stack leaves alone on a
  // 16K CoCo 2.
  EXPECT_EQ(messages_of(program_records(bytes_of(1870, 1))), "");
  EXPECT_EQ(messages_of(program_records(bytes_of(1871, 1))),
            "0: on a 16K CoCo 2 the POKEs up to 16122 ($3EFA) run into BASIC's stack and crash the "
            "loader: the program needs a 32K or 64K machine\n");

  // What the POKEs reach: the strings from 16183, nothing at all from 16384.
  struct reach_case {
    long long bytes;
    const char* warning;
  };
  const reach_case cases[] = {
      {1931,
       "on a 16K CoCo 2 the POKEs up to 16182 ($3F36) run into BASIC's stack and crash the loader: "
       "the program needs a 32K or 64K machine"},
      {1932,
       "on a 16K CoCo 2 the POKEs up to 16183 ($3F37) run into BASIC's stack and strings and "
       "crash the loader: the program needs a 32K or 64K machine"},
      {2132,
       "on a 16K CoCo 2 the POKEs up to 16383 ($3FFF) run into BASIC's stack and strings and "
       "crash the loader: the program needs a 32K or 64K machine"},
      {2133,
       "on a 16K CoCo 2 the POKEs up to 16384 ($4000) run through BASIC's stack and strings past "
       "the end of RAM and crash the loader: the program needs a 32K or 64K machine"},
  };
  for (const reach_case& c : cases) {
    program_summary program;
    program.byte_count = c.bytes;
    program.start = {1, '1', LOAD_ADDRESS};
    std::vector<conversion_warning> warnings = coco_warnings(program, 272);
    ASSERT_EQ(warnings.size(), 1u) << c.bytes;
    EXPECT_EQ(warnings[0].message, c.warning);
    EXPECT_FALSE(warnings[0].about_input);
  }
}

TEST(CocoChecks, ProgramAssembledForAnotherAddress) {
  const std::string s2_program = s_record('2', 0x0137AC, bytes_of(4, 1)) + "\r\n" + "S9030000FC\r\n";
  const std::string s2_at_load_address = s_record('2', 0x0037AC, bytes_of(4, 1)) + "\r\nS9030000FC\r\n";
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0x37AC)), "");
  EXPECT_EQ(messages_of(s2_at_load_address), "");
  EXPECT_EQ(messages_of(assembled_at(0x37AD, 0)),
            "1: assembled for $37AD, but the loader puts the program at $37AC: unless it is "
            "position-independent, assemble with ORG $37AC\n");
  EXPECT_EQ(messages_of("S0030000FC\r\n" + s2_program),
            "2: assembled for $0137AC, but the loader puts the program at $37AC: unless it is "
            "position-independent, assemble with ORG $37AC\n");
}

TEST(CocoChecks, EntryPointOtherThanTheFirstByte) {
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0)), "");
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0x37AC)), "");
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0x37AD)),
            "2: the program starts 1 byte in, at $37AD: type EXEC 14252+1 to run it, not EXEC "
            "14252\n");
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0x37AE)),
            "2: the program starts 2 bytes in, at $37AE: type EXEC 14252+2 to run it, not EXEC "
            "14252\n");
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0x37AF)),
            "2: the program starts 3 bytes in, at $37AF: type EXEC 14252+3 to run it, not EXEC "
            "14252\n");
  EXPECT_EQ(messages_of(assembled_at(0x37AC, 0x37B0)),
            "2: the end record starts the program at $37B0, outside its bytes $37AC to $37AF: "
            "check the address after END\n");
  // Counted from the address it was assembled for, so EXEC is right even there.
  EXPECT_EQ(messages_of(assembled_at(0x4000, 0x4010, 32)),
            "1: assembled for $4000, but the loader puts the program at $37AC: unless it is "
            "position-independent, assemble with ORG $37AC\n"
            "2: the program starts 16 bytes in, at $4010: type EXEC 14252+16 to run it, not EXEC "
            "14252\n");
}
