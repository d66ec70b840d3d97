#include "test_support.hpp"

#include "conversion_run.hpp"
#include "format.hpp"
#include "run.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

const char EXAMPLE_LOADER[] =
    "\r\n"
    "NEW\r\n"
    "\r\n"
    "1 REM COCO2 BASIC OUTPUT ENSURE CAPS LOCK OFF PC KEYBOARD MODE\r\n"
    "\r\n"
    "10 DATA 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,"
    "26,27,28,29,30,31\r\n"
    "\r\n"
    "2000 FOR I=0 TO 31\r\n"
    "\r\n"
    "2010 READ K\r\n"
    "\r\n"
    "2020 POKE 14252+I,K\r\n"
    "\r\n"
    "2030 NEXT I\r\n"
    "\r\n"
    "2050 REM BEGIN CLIENT SECTION\r\n"
    "\r\n";

const char OLD_LOADER[] = "\r\nNEW\r\n\r\n10 DATA 1\r\n\r\n";

const char EXAMPLE_RECORD[] =
    "S12337AC000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F09";

std::string s_record(char type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  int address_size = type == '2' || type == '6' || type == '8' ? 3 : type == '3' || type == '7' ? 4 : 2;
  std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(address_size + data.size() + 1)};
  for (int shift = 8 * (address_size - 1); shift >= 0; shift -= 8) {
    bytes.push_back(static_cast<std::uint8_t>(address >> shift));
  }
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t byte : bytes) sum += byte;
  bytes.push_back(static_cast<std::uint8_t>(~sum));

  std::string line{'S', type};
  for (std::uint8_t byte : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    line += pair;
  }
  return line;
}

std::string full_records(int count) {
  std::string text;
  for (int record = 0; record < count; ++record) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 32; ++i) data.push_back(static_cast<std::uint8_t>(record + i));
    text += s_record('2', static_cast<std::uint32_t>(0x37AC + 32 * record), data) + "\r\n";
  }
  return text;
}

std::string program_records(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 32) {
    auto from = bytes.begin() + static_cast<long>(at);
    std::vector<std::uint8_t> data(from, from + static_cast<long>(std::min<std::size_t>(32, bytes.size() - at)));
    text += s_record('1', static_cast<std::uint32_t>(0x37AC + at), data) + "\r\n";
  }
  return text + s_record('9', 0x37AC, {}) + "\r\n";
}

std::vector<std::uint8_t> loader_one_byte_too_large() {
  std::vector<std::uint8_t> bytes(3000, 200);
  bytes[0] = 10;
  bytes[1] = 5;
  return bytes;
}

std::string repeated_byte_program(std::uint8_t value, int count) {
  return program_records(std::vector<std::uint8_t>(static_cast<std::size_t>(count), value));
}

std::string messages_of(const std::string& s_records, std::string* loader) {
  std::istringstream input(s_records);
  std::string made;
  std::string messages;
  try {
    for (const conversion_warning& warning : make_loader(input, made)) {
      messages += std::to_string(warning.line) + ": " + warning.message + "\n";
    }
  } catch (const conversion_error& error) {
    messages = "error " + std::to_string(error.line) + ": " + error.message + "\n";
    made.clear();
  }
  if (loader != nullptr) *loader = made;
  return messages;
}

std::string convert_text(const std::string& s_records, std::string* failure) {
  std::istringstream input(s_records);
  std::string loader;
  try {
    convert(input, loader);
  } catch (const conversion_error& error) {
    if (failure == nullptr) throw std::runtime_error(error.message);
    *failure = std::to_string(error.line) + ": " + error.message;
    return "";
  }
  if (failure != nullptr) failure->clear();
  return loader;
}

namespace {

// Splits on CR LF; a lone CR or LF is left inside a line, where the checks
// below then reject it.
std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// "0,12,255" into values; false on anything else.
bool parse_values(const std::string& list, std::vector<int>& values) {
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t end = list.find(',', start);
    std::string item = list.substr(start, end == std::string::npos ? end : end - start);
    if (item.empty() || item.size() > 3 || item.find_first_not_of("0123456789") != std::string::npos ||
        (item.size() > 1 && item[0] == '0') || std::stoi(item) > 255) {
      return false;
    }
    values.push_back(std::stoi(item));
    ++count;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return count <= VALUES_PER_RECORD;
}

}  // namespace

parsed_loader parse_loader(const std::string& loader) {
  parsed_loader parsed;
  std::string header = COCO_HEADER;
  std::string trailer = COCO_TRAILER;
  if (loader.size() < header.size() + trailer.size() || loader.compare(0, header.size(), header) != 0 ||
      loader.compare(loader.size() - trailer.size(), trailer.size(), trailer) != 0) {
    parsed.problem = "header or trailer differs";
    return parsed;
  }
  std::string body = loader.substr(header.size(), loader.size() - header.size() - trailer.size());
  std::vector<std::string> lines = crlf_lines(body);
  std::size_t split_size = 0;
  for (const std::string& line : lines) split_size += line.size() + 2;
  if (split_size != body.size() || lines.size() % 2 != 0 || lines.size() < 2) {
    parsed.problem = "body is not text lines each followed by an empty line";
    return parsed;
  }
  std::size_t data_lines = lines.size() / 2 - 1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (i % 2 == 1) {
      if (!line.empty()) parsed.problem = "missing empty line before: " + line;
    } else if (i / 2 < data_lines) {
      std::string prefix = std::to_string((i / 2 + 1) * LINE_STEP) + " DATA ";
      if (line.compare(0, prefix.size(), prefix) != 0 ||
          !parse_values(line.substr(prefix.size()), parsed.values)) {
        parsed.problem = "bad DATA line: " + line;
      }
    } else {
      std::string prefix = "2000 FOR I=0 TO ";
      std::string bound = line.substr(std::min(line.size(), prefix.size()));
      if (line.compare(0, prefix.size(), prefix) != 0 || bound.empty() ||
          bound.find_first_not_of("-0123456789") != std::string::npos) {
        parsed.problem = "bad FOR line: " + line;
      } else {
        parsed.for_bound = std::stoi(bound);
      }
    }
    if (!parsed.problem.empty()) return parsed;
  }
  if (data_lines > MAX_DATA_LINES) parsed.problem = "DATA lines reach the FOR line";
  return parsed;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path.string());
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void write_file(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream file(path, std::ios::binary);
  file << contents;
  if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}
