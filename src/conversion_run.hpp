// One conversion: S-record text in, the complete BASIC loader out.
// Works on any streams, so it can be driven in memory as well as on files.
#pragma once

#include "diagnostic.hpp"

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

// Where a record stands and what address it carries.
struct record_mark {
  long long line = 0;
  char type = 0;
  std::uint32_t address = 0;
};

// Records whose checksum does not match their bytes, and the first of them.
struct checksum_tally {
  long long mismatches = 0;
  long long first_line = 0;
  int first_found = 0;
  int first_expected = 0;
};

// What the conversion learned about the program besides its bytes, for the
// checks that follow it.
struct program_summary {
  long long byte_count = 0;
  record_mark start;               // the first record with program bytes
  std::optional<record_mark> end;  // the S7, S8 or S9 record, when there is one
  checksum_tally checksums;
};

// Reads the whole program from s_records and appends its loader to loader.
// Throws conversion_error when the text is not a program the loader can
// place, or has lost records; the caller must then discard whatever reached
// loader.
program_summary convert(std::istream& s_records, std::string& loader);

// What may be wrong with M.OUT itself although it converted: damaged
// records, a missing end. Damaged records come first.
std::vector<conversion_warning> input_warnings(const program_summary& program);
