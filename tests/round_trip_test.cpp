// Programs of many sizes, written as S-records in many ways, must come back
// out of the loader's DATA lines exactly: every byte, in order, nothing more.
#include "format.hpp"
#include "temp_folder.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using program = std::vector<std::uint8_t>;

program random_program(std::mt19937& random, std::size_t size) {
  program bytes(size);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random() & 0xFF);
  return bytes;
}

struct encoded {
  std::string text;
  long long data_lines = 0;  // DATA lines the loader needs for it
};

// Writes the program as S-records the way some assembler might: a chosen
// record length (0: a random length for each record), address width, line
// ends, hex case, with or without header, count and end records.
encoded encode(std::mt19937& random, const program& bytes, std::size_t record_length) {
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  const char type = "123"[random() % 3];
  const std::size_t longest = 252 - static_cast<std::size_t>(type - '1');  // byte count max $FF
  const std::uint32_t start = type == '1' ? 0x37AC : static_cast<std::uint32_t>(random() & 0xFFFFFF);
  const int line_end_style = static_cast<int>(random() % 4);  // CR LF, LF, CR, mixed
  const int case_style = static_cast<int>(random() % 3);      // upper, lower, mixed
  auto line_end = [&] {
    static const char* const ends[] = {"\r\n", "\n", "\r"};
    return ends[line_end_style == 3 ? random() % 3 : line_end_style];
  };
  auto in_case = [&](std::string line) {
    for (std::size_t i = 2; i < line.size(); ++i) {
      if (case_style == 1 || (case_style == 2 && chance(50))) {
        line[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
      }
    }
    return line;
  };

  encoded out;
  if (chance(50)) out.text += in_case(s_record('0', 0, {'M', '.', 'O', 'U', 'T'})) + line_end();
  std::size_t records = 0;
  for (std::size_t at = 0; at < bytes.size(); ++records) {
    std::size_t length = record_length ? record_length : 1 + random() % longest;
    length = std::min({length, longest, bytes.size() - at});
    program data(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + length));
    if (chance(5)) out.text += line_end();  // a stray blank line
    out.text += in_case(s_record(type, start + static_cast<std::uint32_t>(at), data)) + line_end();
    out.data_lines += static_cast<long long>((length + VALUES_PER_RECORD - 1) / VALUES_PER_RECORD);
    at += length;
  }
  if (chance(30)) out.text += in_case(s_record('5', static_cast<std::uint32_t>(records), {})) + line_end();
  if (chance(70)) out.text += in_case(s_record("987"[random() % 3], start, {})) + line_end();
  return out;
}

// Converts and checks the loader gives back exactly the program, or, when
// the program needs more DATA lines than fit, the message that says so.
void expect_round_trip(const std::string& text, const program& bytes, long long data_lines,
                       const std::string& context) {
  std::string failure;
  std::string loader = convert_text(text, &failure);
  if (data_lines > MAX_DATA_LINES) {
    EXPECT_EQ(failure, "0: program of " + std::to_string(bytes.size()) + " bytes needs " +
                           std::to_string(data_lines) +
                           " DATA lines, but only 199 fit below line 2000 (at most 6368 bytes)")
        << context;
    return;
  }
  ASSERT_EQ(failure, "") << context;
  parsed_loader parsed = parse_loader(loader);
  ASSERT_EQ(parsed.problem, "") << context;
  EXPECT_EQ(parsed.values, std::vector<int>(bytes.begin(), bytes.end())) << context;
  EXPECT_EQ(parsed.for_bound, static_cast<int>(bytes.size()) - 1) << context;
}

}  // namespace

TEST(RoundTrip, ProgramsOfEverySizeSurviveAnyEncoding) {
  std::mt19937 random(14252);
  std::vector<std::size_t> sizes = {1, 2, 31, 32, 33, 63, 64, 65, 255, 256, 1000, 4096, 6367, 6368};
  for (int i = 0; i < 60; ++i) sizes.push_back(1 + random() % 6368);
  const std::size_t record_lengths[] = {0, 1, 16, 31, 32, 33, 64, 252};
  for (std::size_t size : sizes) {
    for (std::size_t record_length : record_lengths) {
      program bytes = random_program(random, size);
      encoded file = encode(random, bytes, record_length);
      expect_round_trip(file.text, bytes, file.data_lines,
                        "size " + std::to_string(size) + ", records of " +
                            std::to_string(record_length));
    }
  }
}

TEST(RoundTrip, FilesWrittenByObjcopy) {
  ASSERT_EQ(std::system("objcopy --version >/dev/null 2>&1"), 0)
      << "objcopy (Debian package binutils) is needed to write real S-record files";
  std::mt19937 random(2050);
  temp_folder folder;
  for (std::size_t size : {1, 31, 32, 33, 200, 3000, 6368, 6369}) {
    program bytes = random_program(random, size);
    write_file(folder.path / "prog.bin", std::string(bytes.begin(), bytes.end()));
    std::string command = "cd '" + folder.path.string() +
                          "' && objcopy -I binary -O srec --change-addresses 0x37AC "
                          "--srec-len 32 prog.bin M.OUT";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string text = read_file(folder.path / "M.OUT");
    ASSERT_EQ(text.substr(0, 2), "S0");  // a header record and CR LF line ends, as shipped
    ASSERT_NE(text.find("\r\n"), std::string::npos);
    expect_round_trip(text, bytes, static_cast<long long>((size + 31) / 32),
                      "objcopy, size " + std::to_string(size));
    // Right checksums, an end record naming the first byte, assembled for
    // 14252: a small program converts without a word.
    if (size <= 200) {
      EXPECT_EQ(messages_of(text), "") << "objcopy, size " << size;
    }
  }
}
