// Reads S-record text one record at a time, strictly forward, checking each
// record against its own fields: type, byte count, address, data, checksum.
// Memory stays bounded whatever the input: a record holds at most 255 bytes
// by its byte count, and nothing else is kept.
#pragma once

#include "diagnostic.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// The reader's place in the text. Lines end in CR, LF or CR LF alike.
// The text is read in blocks: one call into the stream per block, not per
// character, with the block's size the only memory it takes.
struct record_input {
  std::istream& text;
  long long line = 1;  // line of the next character; wide, as a file may hold any number
  bool ended = false;  // end of the text (or Ctrl-Z) met: nothing more is read
  std::array<char, 4096> block{};
  std::size_t next = 0;    // position of the next character in block
  std::size_t filled = 0;  // characters of block that hold text
};

struct srecord {
  char type = 0;  // the digit after 'S'
  long long line = 0;  // line the record stands on
  int byte_count = 0;
  std::uint32_t address = 0;
  std::vector<std::uint8_t> data;
  int checksum = 0;  // as the record carries it, right or wrong
};

// Called first: refuses a file that is plainly no S-record text (binary,
// UTF-16) for what it is, and passes over a UTF-8 byte-order mark.
void check_text_kind(record_input& input);

// Skips blanks and line ends up to the next record and takes its 'S'.
// Answers false at the end of the text.
bool skip_start_char(record_input& input);
// Type, byte count and address.
void read_record_header(record_input& input, srecord& record);
// Exactly the data bytes the byte count leaves room for.
void read_record_data(record_input& input, srecord& record);
// The checksum, kept for the caller to verify, then trailing blanks and the
// line end.
void finish_full_record(record_input& input, srecord& record);

// The four steps above. Answers false at the end of the text; throws
// conversion_error for anything that is not a well-formed record.
bool read_record(record_input& input, srecord& record);

// Bytes of the address field for a record type; 0 for a type pokeloader
// does not know.
int address_size(char type);
// The ones' complement of the low byte of the sum of the byte count, address
// and data bytes: what the checksum of an undamaged record is.
int expected_checksum(const srecord& record);

bool is_data_record(const srecord& record);  // S1, S2, S3
bool is_end_record(const srecord& record);   // S7, S8, S9
bool is_count_record(const srecord& record); // S5, S6

// "$37AC": addresses and byte counts as a 6809 programmer writes them.
std::string hex_text(std::uint64_t number, int digits);
