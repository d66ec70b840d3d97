#include "loader_writer.hpp"

#include "format.hpp"

#include <charconv>

namespace {

// Decimal without any locale, so no host setting can ever group digits or
// change the loader's bytes.
void write_decimal(std::string& loader, int number) {
  char digits[16];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, number);
  (void)error;  // 16 characters hold any int
  loader.append(digits, static_cast<std::size_t>(end - digits));
}

}  // namespace

void write_header(std::string& loader) { loader += COCO_HEADER; }

void begin_data_line(std::string& loader, int line_number) {
  write_decimal(loader, line_number);
  loader += " DATA ";
}

void write_value(std::string& loader, int value, bool first) {
  if (!first) loader += ',';
  write_decimal(loader, value);
}

// Every text line of the loader is followed by an empty line.
void end_data_line(std::string& loader) {
  loader += LINE_BREAK;
  loader += LINE_BREAK;
}

void write_trailer(std::string& loader, int value_count) {
  write_decimal(loader, FOR_LINE_NUMBER);
  loader += FOR_LINE_TEXT;
  write_decimal(loader, value_count - 1);
  end_data_line(loader);
  loader += COCO_TRAILER;
}
