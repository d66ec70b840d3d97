#include "coco_checks.hpp"

#include "diagnostic.hpp"
#include "format.hpp"
#include "record_reader.hpp"

#include <cstdint>
#include <vector>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Tokenized size of a line's text: one byte per keyword, one per other
// character, and DATA or REM keep the rest of the line as it stands.
int tokenized_size(std::string_view text) {
  int size = 0;
  while (!text.empty()) {
    std::string_view keyword;
    for (std::string_view candidate : LOADER_KEYWORDS) {
      if (text.starts_with(candidate)) keyword = candidate;
    }
    ++size;
    if (keyword.empty()) {
      text.remove_prefix(1);
      continue;
    }
    text.remove_prefix(keyword.size());
    if (keyword == "DATA" || keyword == "REM") return size + static_cast<int>(text.size());
  }
  return size;
}

// Bytes left between the loader and 14252 when its text begins at start;
// below 0 its POKEs reach it.
long long room_from(int start, long long stored_size) {
  return LOAD_ADDRESS - start - stored_size - LOADER_VARIABLES_SIZE;
}

// "A", "A and B", "A, B and C"; or with another last word.
std::string listed(const std::vector<std::string>& items, const char* last_joint = " and ") {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? last_joint : ", ";
    text += items[i];
  }
  return text;
}

// Where each BASIC stands with this loader.
struct basic_fit {
  std::vector<std::string> overwritten;  // at its usual start
  std::vector<std::string> lost;         // even after PCLEAR 1
  std::vector<std::string> pclear1;      // fits after PCLEAR 1
  std::vector<long long> pclear1_room;   // and the bytes then left
};

basic_fit fit_of(long long stored_size) {
  basic_fit fit;
  for (const basic_family& family : BASIC_FAMILIES) {
    if (room_from(family.program_start, stored_size) >= 0) continue;
    fit.overwritten.push_back(family.name);
    long long room = family.pclear1_start ? room_from(family.pclear1_start, stored_size) : -1;
    if (room < 0) {
      fit.lost.push_back(family.name);
    } else {
      fit.pclear1.push_back(family.name);
      fit.pclear1_room.push_back(room);
    }
  }
  return fit;
}

// "4606" for one BASIC, "2117 (Disk) or 4165 (Extended)" for two.
std::string rooms_text(const basic_fit& fit) {
  if (fit.pclear1.size() == 1) return std::to_string(fit.pclear1_room[0]);
  std::vector<std::string> rooms;
  for (std::size_t i = 0; i < fit.pclear1.size(); ++i) {
    rooms.push_back(std::to_string(fit.pclear1_room[i]) + " (" + fit.pclear1[i] + ")");
  }
  return listed(rooms, " or ");
}

std::string overwritten_text(const basic_fit& fit) {
  if (fit.lost.empty()) return listed(fit.overwritten) + " BASIC";
  return listed(fit.lost) + " BASIC even after PCLEAR 1";
}

std::string remedy_text(const basic_fit& fit, long long stored_size) {
  if (fit.pclear1.empty()) {
    return "only Color BASIC without Extended runs it, leaving " +
           std::to_string(room_from(LOWEST_PROGRAM_START, stored_size)) +
           " bytes for lines after 2050";
  }
  std::string where = fit.lost.empty() ? "" : "under " + listed(fit.pclear1) + " BASIC ";
  return where + "type PCLEAR 1 before entering it, leaving " + rooms_text(fit) +
         " bytes for lines after 2050";
}

std::string address_text(const record_mark& record, std::uint64_t address) {
  return hex_text(address, 2 * address_size(record.type));
}

// BASIC's stack and strings sit right above 16121 on a 16K machine, and the
// loader's own FOR loop lives on that stack.
std::optional<conversion_warning> sixteen_k_warning(long long byte_count) {
  long long last = LOAD_ADDRESS + byte_count - 1;
  if (last <= SIXTEEN_K_LAST_FREE_BYTE) return std::nullopt;
  const char* reached = last < SIXTEEN_K_STRINGS_START ? "into BASIC's stack"
                        : last <= SIXTEEN_K_RAM_END    ? "into BASIC's stack and strings"
                                                       : "through BASIC's stack and strings past the end of RAM";
  return conversion_warning{
      0,
      "on a 16K CoCo 2 the POKEs up to " + std::to_string(last) + " (" +
          hex_text(static_cast<std::uint64_t>(last), 4) + ") run " + reached +
          " and crash the loader: the program needs a 32K or 64K machine",
      false};
}

// The loader always puts the program at 14252: code assembled for another
// address jumps and loads from the wrong places there.
std::optional<conversion_warning> load_address_warning(const record_mark& start) {
  if (start.address == LOAD_ADDRESS) return std::nullopt;
  std::string load = hex_text(LOAD_ADDRESS, 4);
  return conversion_warning{start.line, "assembled for " + address_text(start, start.address) +
                                            ", but the loader puts the program at " + load +
                                            ": unless it is position-independent, assemble "
                                            "with ORG " + load};
}

// The end record names where the program starts; 0 means it names nothing.
std::optional<conversion_warning> entry_point_warning(const program_summary& program) {
  if (!program.end || program.end->address == 0) return std::nullopt;
  const record_mark& end = *program.end;
  long long offset = static_cast<long long>(end.address) - program.start.address;
  if (offset == 0) return std::nullopt;
  std::string entry = address_text(end, end.address);
  if (offset < 0 || offset >= program.byte_count) {
    long long last = program.start.address + program.byte_count - 1;
    return conversion_warning{end.line, "the end record starts the program at " + entry +
                                            ", outside its bytes " +
                                            address_text(program.start, program.start.address) +
                                            " to " + address_text(program.start, last) +
                                            ": check the address after END"};
  }
  return conversion_warning{end.line, "the program starts " + bytes_text(offset) + " in, at " +
                                          entry + ": type EXEC " +
                                          std::to_string(LOAD_ADDRESS) + "+" +
                                          std::to_string(offset) + " to run it, not EXEC " +
                                          std::to_string(LOAD_ADDRESS)};
}


}  // namespace

int stored_line_size(std::string_view line) {
  std::size_t digits = 0;
  while (digits < line.size() && is_digit(line[digits])) ++digits;
  if (digits == 0) return 0;  // only numbered lines are stored
  std::string_view text = line.substr(digits);
  if (text.starts_with(' ')) text.remove_prefix(1);
  return STORED_LINE_OVERHEAD + tokenized_size(text);
}

long long stored_program_size(std::string_view loader) {
  long long size = STORED_PROGRAM_END;
  for (std::size_t end; (end = loader.find(LINE_BREAK)) != std::string_view::npos;) {
    size += stored_line_size(loader.substr(0, end));
    loader.remove_prefix(end + std::string_view(LINE_BREAK).size());
  }
  return size;
}

void check_loader_fits(long long byte_count, long long stored_size) {
  if (room_from(LOWEST_PROGRAM_START, stored_size) >= 0) return;
  throw conversion_error{
      0, "program of " + std::to_string(byte_count) + " bytes makes a loader of " +
             std::to_string(stored_size) + " bytes in BASIC, over the " +
             std::to_string(room_from(LOWEST_PROGRAM_START, 0)) + " that fit from " +
             std::to_string(LOWEST_PROGRAM_START) + " below " + std::to_string(LOAD_ADDRESS) +
             ": it would overwrite itself under every CoCo 2 BASIC"};
}

std::optional<std::string> memory_warning(long long stored_size) {
  basic_fit fit = fit_of(stored_size);
  if (fit.overwritten.empty()) return std::nullopt;
  return "the loader (" + std::to_string(stored_size) + " bytes in BASIC) overwrites itself under " +
         overwritten_text(fit) + (fit.lost.empty() ? ": " : "; ") + remedy_text(fit, stored_size);
}


std::vector<conversion_warning> coco_warnings(const program_summary& program, long long stored_size) {
  std::vector<conversion_warning> warnings;
  if (auto memory = memory_warning(stored_size)) warnings.push_back({0, *memory, false});
  for (auto warning : {sixteen_k_warning(program.byte_count), load_address_warning(program.start),
                       entry_point_warning(program)}) {
    if (warning) warnings.push_back(*warning);
  }
  return warnings;
}
