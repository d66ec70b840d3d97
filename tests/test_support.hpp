// Helpers shared by the tests: a small S-record encoder of the tests' own,
// a reader for the loaders pokeloader writes, and file plumbing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The loader for one record holding the bytes 0x00..0x1F, byte for byte.
extern const char EXAMPLE_LOADER[];
// That record, as an assembler would write it.
extern const char EXAMPLE_RECORD[];

// A loader from an earlier run, which a failed run must leave as it is.
extern const char OLD_LOADER[];

// One S-record line, without its line end, with a correct checksum.
std::string s_record(char type, std::uint32_t address, const std::vector<std::uint8_t>& data);

// count records of 32 bytes following on from 0x37AC, record i holding
// i, i+1, ... i+31; 24-bit addresses leave room for far more than the
// loader takes.
std::string full_records(int count);

// The program as an assembler writes it for ORG $37AC: S1 records of 32
// bytes from 0x37AC, then an S9 end record starting it at 0x37AC.
std::string program_records(const std::vector<std::uint8_t>& bytes);

// 3000 bytes whose loader takes 12702 bytes in BASIC, one more than fit
// from 1537: 3000 three-digit values but one of two digits and one of one.
std::vector<std::uint8_t> loader_one_byte_too_large();

// program_records of count copies of value.
std::string repeated_byte_program(std::uint8_t value, int count);

// What the run would print for text, each warning or the error on a line
// of its own as "<line>: <message>", with its loader through loader.
std::string messages_of(const std::string& s_records, std::string* loader = nullptr);

// Runs the conversion in memory. On failure answers "<line>: <message>"
// through failure and an empty loader.
std::string convert_text(const std::string& s_records, std::string* failure = nullptr);

// What a loader says, read back the way Color BASIC would use it.
struct parsed_loader {
  std::vector<int> values;  // every DATA value, in order
  int for_bound = 0;        // the FOR line's upper bound
  std::string problem;      // empty when the loader is well formed
};
// Checks the loader's shape on the way: exact header and trailer, CR LF
// only, DATA lines 10, 20, ... of 1 to 32 values 0..255, an empty line after
// every text line.
parsed_loader parse_loader(const std::string& loader);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& contents);
