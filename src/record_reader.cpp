#include "record_reader.hpp"

#include "errno_text.hpp"
#include "format.hpp"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

bool is_line_end(int c) { return c == '\r' || c == '\n'; }
bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

int hex_digit_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int address_size(char type) {
  switch (type) {
    case TYPE_HEADER:
    case TYPE_DATA_16:
    case TYPE_COUNT_16:
    case TYPE_END_16:
      return 2;
    case TYPE_DATA_24:
    case TYPE_COUNT_24:
    case TYPE_END_24:
      return 3;
    case TYPE_DATA_32:
    case TYPE_END_32:
      return 4;
    default:
      return 0;
  }
}

namespace {

// A character of the input as the user would look for it in an editor.
std::string shown(int c) {
  if (c >= 0x20 && c < 0x7F) return std::string(1, static_cast<char>(c));
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
  return escaped;
}

// Answers false at the end of the text. A read error is a failure, never
// taken for the end: the loader would silently lose the rest of the program.
bool fill_block(record_input& input) {
  if (input.ended) return false;
  input.text.read(input.block.data(), static_cast<std::streamsize>(input.block.size()));
  if (input.text.bad()) throw conversion_error{0, errno_text("cannot read")};
  input.filled = static_cast<std::size_t>(input.text.gcount());
  input.next = 0;
  input.ended = input.filled == 0;
  return !input.ended;
}

// The next character without taking it; EOF at the end of the text, which
// a Ctrl-Z also marks, as DOS tools may close a text file with one.
int peek_char(record_input& input) {
  if (input.next == input.filled && !fill_block(input)) return EOF;
  int c = static_cast<unsigned char>(input.block[input.next]);
  if (c == DOS_END_OF_FILE) {
    input.ended = true;
    input.next = input.filled;
    return EOF;
  }
  return c;
}

int next_char(record_input& input) {
  int c = peek_char(input);
  if (c != EOF) ++input.next;
  return c;
}

// c is the line end's first character, already read; CR LF counts once.
void finish_line(record_input& input, int c) {
  if (c == '\r' && peek_char(input) == '\n') ++input.next;
  ++input.line;
}

std::string byte_count_text(const srecord& record) {
  return "byte count " + hex_text(static_cast<std::uint64_t>(record.byte_count), 2);
}

// One byte as two hex digits, either case; field names it in messages.
// Answers -1 when a line end or the end of the text comes first.
int read_pair_or_end(record_input& input, const srecord& record, const char* field) {
  int high = next_char(input);
  int low = (high == EOF || is_line_end(high)) ? high : next_char(input);
  if (low == EOF || is_line_end(low)) return -1;
  if (hex_digit_value(high) < 0 || hex_digit_value(low) < 0) {
    throw conversion_error{record.line, std::string("expected two hex digits for the ") +
                                            field + ", found \"" + shown(high) + shown(low) +
                                            "\""};
  }
  return hex_digit_value(high) * 16 + hex_digit_value(low);
}

// A pair the byte count promises: the line must not end before it.
int read_pair(record_input& input, const srecord& record, const char* field) {
  int value = read_pair_or_end(input, record, field);
  if (value < 0) {
    throw conversion_error{record.line,
                           "record is shorter than its " + byte_count_text(record) + " says"};
  }
  return value;
}

// A data record's bytes must all have addresses of its width: one running
// past $FFFF (S1), $FFFFFF (S2) or $FFFFFFFF (S3) belongs nowhere.
void check_address_space(const srecord& record) {
  if (!is_data_record(record) || record.data.empty()) return;
  int digits = 2 * address_size(record.type);
  std::uint64_t top = (std::uint64_t{1} << (4 * digits)) - 1;
  std::uint64_t last = std::uint64_t{record.address} + record.data.size() - 1;
  if (last <= top) return;
  throw conversion_error{record.line, "record at " + hex_text(record.address, digits) + " with " +
                                          std::to_string(record.data.size()) + " bytes runs past " +
                                          hex_text(top, digits) + ", the top of its address space"};
}

bool is_ascii_text(unsigned char c) { return (c >= 0x20 && c < 0x7F) || is_line_end(c); }

// A UTF-16 byte-order mark, or text whose every other byte is NUL.
bool looks_like_utf16(std::string_view start) {
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) return true;
  if (start.size() < 4) return false;
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(start[i]); };
  bool little_endian = is_ascii_text(at(0)) && at(1) == 0 && is_ascii_text(at(2)) && at(3) == 0;
  bool big_endian = at(0) == 0 && is_ascii_text(at(1)) && at(2) == 0 && is_ascii_text(at(3));
  return little_endian || big_endian;
}

// Control bytes other than blanks (and the Ctrl-Z that may close a DOS text
// file) are no part of any text line.
bool has_control_bytes(std::string_view line) {
  for (char byte : line) {
    int c = static_cast<unsigned char>(byte);
    if ((c < 0x20 || c == 0x7F) && !is_blank(c) && c != DOS_END_OF_FILE) return true;
  }
  return false;
}

}  // namespace

std::string hex_text(std::uint64_t number, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "$%0*llX", digits, static_cast<unsigned long long>(number));
  return text;
}

bool skip_start_char(record_input& input) {
  for (int c = next_char(input); c != EOF; c = next_char(input)) {
    if (c == RECORD_START) return true;
    if (is_line_end(c)) {
      finish_line(input, c);
    } else if (c == INTEL_HEX_START) {
      throw conversion_error{input.line, "a line of Intel HEX, not a Motorola S-record: set the "
                                         "assembler to write S-records (S19)"};
    } else if (!is_blank(c)) {
      throw conversion_error{input.line, "expected a record starting with 'S', found '" +
                                             shown(c) + "'"};
    }
  }
  return false;
}

void check_text_kind(record_input& input) {
  if (!fill_block(input)) return;
  std::string_view start(input.block.data(), input.filled);
  if (start.starts_with(UTF8_BYTE_ORDER_MARK)) {
    input.next = std::string_view(UTF8_BYTE_ORDER_MARK).size();
    return;
  }
  if (looks_like_utf16(start)) {
    throw conversion_error{0, "the file is saved as UTF-16 text: save it as plain text (ANSI or "
                              "UTF-8) or set the assembler to write plain S-records"};
  }
  if (has_control_bytes(start.substr(0, start.find_first_of("\r\n")))) {
    throw conversion_error{0, "a binary file, not S-record text: set the assembler to write "
                              "Motorola S-records (S19)"};
  }
}

void read_record_header(record_input& input, srecord& record) {
  record.line = input.line;
  int type = next_char(input);
  if (type == EOF || is_line_end(type)) {
    throw conversion_error{record.line, "record ends after 'S'"};
  }
  record.type = static_cast<char>(type);
  int width = address_size(record.type);
  if (width == 0) {
    throw conversion_error{record.line, "unknown record type \"S" + shown(type) + "\""};
  }
  record.byte_count = read_pair_or_end(input, record, "byte count");
  if (record.byte_count < 0) {
    throw conversion_error{record.line, "record ends before its byte count"};
  }
  if (record.byte_count < width + CHECKSUM_SIZE) {
    throw conversion_error{record.line, byte_count_text(record) + " is too small for an S" +
                                            record.type + " record, which needs at least " +
                                            hex_text(width + CHECKSUM_SIZE, 2)};
  }
  record.address = 0;
  for (int i = 0; i < width; ++i) {
    record.address = (record.address << 8) | read_pair(input, record, "address");
  }
}

void read_record_data(record_input& input, srecord& record) {
  int size = record.byte_count - address_size(record.type) - CHECKSUM_SIZE;
  record.data.clear();
  for (int i = 0; i < size; ++i) {
    record.data.push_back(static_cast<std::uint8_t>(read_pair(input, record, "data")));
  }
  check_address_space(record);
}

// The checksum is kept, not judged here: a record patched by hand must still
// convert, so a wrong one is the run's warning, never the reader's error.
void finish_full_record(record_input& input, srecord& record) {
  record.checksum = read_pair(input, record, "checksum");
  int c = next_char(input);
  while (is_blank(c)) c = next_char(input);
  if (c == EOF) return;
  if (is_line_end(c)) {
    finish_line(input, c);
    return;
  }
  if (hex_digit_value(c) >= 0) {
    throw conversion_error{record.line,
                           "record is longer than its " + byte_count_text(record) + " says"};
  }
  throw conversion_error{record.line, "unexpected '" + shown(c) + "' after the checksum"};
}

bool read_record(record_input& input, srecord& record) {
  if (!skip_start_char(input)) return false;
  read_record_header(input, record);
  read_record_data(input, record);
  finish_full_record(input, record);
  return true;
}

int expected_checksum(const srecord& record) {
  unsigned sum = static_cast<unsigned>(record.byte_count);
  for (std::uint32_t address = record.address; address != 0; address >>= 8) sum += address & 0xFF;
  for (std::uint8_t byte : record.data) sum += byte;
  return static_cast<int>(~sum & 0xFF);
}

bool is_data_record(const srecord& record) {
  return record.type == TYPE_DATA_16 || record.type == TYPE_DATA_24 ||
         record.type == TYPE_DATA_32;
}

bool is_end_record(const srecord& record) {
  return record.type == TYPE_END_16 || record.type == TYPE_END_24 ||
         record.type == TYPE_END_32;
}

bool is_count_record(const srecord& record) {
  return record.type == TYPE_COUNT_16 || record.type == TYPE_COUNT_24;
}
