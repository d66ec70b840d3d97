#include "loader_writer.hpp"

#include "format.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <string>

TEST(LoaderWriter, HeaderIsTheBannerBetweenEmptyLinesInCrLf) {
  std::string loader;
  write_header(loader);
  EXPECT_EQ(loader,
            "\r\nNEW\r\n\r\n1 REM COCO2 BASIC OUTPUT ENSURE CAPS LOCK OFF PC KEYBOARD MODE\r\n\r\n");
  EXPECT_EQ(loader.size(), 75u);
}

TEST(LoaderWriter, DataLineHasNumberThenCommaSeparatedDecimals) {
  std::string loader;
  begin_data_line(loader, 1990);
  write_value(loader, 0, true);
  write_value(loader, 255, false);
  write_value(loader, 7, false);
  end_data_line(loader);
  begin_data_line(loader, 10);
  write_value(loader, 100, true);
  end_data_line(loader);
  EXPECT_EQ(loader, "1990 DATA 0,255,7\r\n\r\n10 DATA 100\r\n\r\n");
}

TEST(LoaderWriter, TrailerCountsFromZeroToLastValueThenFixedLines) {
  std::string loader;
  write_trailer(loader, 6368);
  EXPECT_EQ(loader,
            "2000 FOR I=0 TO 6367\r\n\r\n"
            "2010 READ K\r\n\r\n"
            "2020 POKE 14252+I,K\r\n\r\n"
            "2030 NEXT I\r\n\r\n"
            "2050 REM BEGIN CLIENT SECTION\r\n\r\n");
  EXPECT_EQ(std::string(COCO_TRAILER).size(), 86u);
}

TEST(LoaderWriter, PiecesInOrderMakeTheExampleLoader) {
  std::string loader;
  write_header(loader);
  begin_data_line(loader, 10);
  for (int value = 0; value < 32; ++value) write_value(loader, value, value == 0);
  end_data_line(loader);
  write_trailer(loader, 32);
  EXPECT_EQ(loader, EXAMPLE_LOADER);
}
