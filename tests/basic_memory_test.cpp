#include "basic_memory.hpp"

#include "test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(BasicMemory, StoredLineSizesCountedByHand) {
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

TEST(BasicMemory, BundledExampleLoaderSize) {
  std::string loader = read_file(std::filesystem::path(EXAMPLES_DIR) / "line.bas");
  // REM 63, DATA 10: 5+1+104, DATA 20: 5+1+17, FOR ... TO 37: 15,
  // READ 8, POKE 16, NEXT 8, REM 27, end of program 2.
  EXPECT_EQ(stored_program_size(loader), 63 + 110 + 23 + 15 + 8 + 16 + 8 + 27 + 2);
}

TEST(BasicMemory, WarnsOnlyWhenTheLoaderDoesNotFitUnderDiskBasic) {
  // Fits from 9729 while 9729 + size + 14 <= 14252, that is up to 4509 bytes.
  EXPECT_FALSE(memory_warning(272));
  EXPECT_FALSE(memory_warning(4509));
  EXPECT_EQ(memory_warning(4510),
            "the loader takes 4510 bytes as a BASIC program, so its own POKEs from 14252 on would "
            "overwrite it under Disk Extended Color BASIC (program from 9729); it fits under "
            "Extended Color BASIC (from 7681, 2047 bytes left for your lines after 2050) and "
            "Color BASIC (from 1537, 8191 bytes left for your lines after 2050)");
  EXPECT_EQ(memory_warning(6558),
            "the loader takes 6558 bytes as a BASIC program, so its own POKEs from 14252 on would "
            "overwrite it under Disk Extended Color BASIC (program from 9729) and Extended Color "
            "BASIC (program from 7681); it fits under Color BASIC (from 1537, 6143 bytes left for "
            "your lines after 2050)");
  EXPECT_EQ(memory_warning(12702),
            "the loader takes 12702 bytes as a BASIC program, so its own POKEs from 14252 on would "
            "overwrite it under Disk Extended Color BASIC (program from 9729), Extended Color BASIC "
            "(program from 7681) and Color BASIC (program from 1537); it fits under none of them");
}

TEST(BasicMemory, ProgramsEitherSideOfTheDiskBasicLimit) {
  // Fixed part: REM 63, FOR ... TO dddd 17, READ 8, POKE 16, NEXT 8, REM 27,
  // end 2 = 141. A full DATA line of 32 three-digit values: 5+1+1+127 = 134;
  // one of n values: 7 + 4n - 1.
  const long long just_under = 141 + 32 * 134 + (6 + 4 * 18);  // 1042 bytes: 4507
  const long long just_over = 141 + 32 * 134 + (6 + 4 * 19);   // 1043 bytes: 4511
  EXPECT_EQ(stored_program_size(convert_text(repeated_byte_program(200, 1042))), just_under);
  EXPECT_EQ(stored_program_size(convert_text(repeated_byte_program(200, 1043))), just_over);
  EXPECT_FALSE(memory_warning(just_under));
  EXPECT_TRUE(memory_warning(just_over));
}
