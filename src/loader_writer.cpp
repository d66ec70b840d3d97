#include "loader_writer.hpp"

#include "format.hpp"

#include <charconv>

namespace {

// Decimal without the stream's locale, so no host setting can ever group
// digits or change the loader's bytes.
void write_decimal(std::ostream& loader, int number) {
  char digits[16];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, number);
  (void)error;  // 16 characters hold any int
  loader.write(digits, end - digits);
}

}  // namespace

void write_header(std::ostream& loader) { loader << COCO_HEADER; }

void begin_data_line(std::ostream& loader, int line_number) {
  write_decimal(loader, line_number);
  loader << " DATA ";
}

void write_value(std::ostream& loader, int value, bool first) {
  if (!first) loader << ',';
  write_decimal(loader, value);
}

// Every text line of the loader is followed by an empty line.
void end_data_line(std::ostream& loader) { loader << LINE_BREAK << LINE_BREAK; }

void write_trailer(std::ostream& loader, int value_count) {
  write_decimal(loader, FOR_LINE_NUMBER);
  loader << FOR_LINE_TEXT;
  write_decimal(loader, value_count - 1);
  loader << LINE_BREAK << LINE_BREAK << COCO_TRAILER;
}
