#include "basic_memory.hpp"

#include "format.hpp"

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

std::string left_for_client(const basic_variant& variant, long long stored_size) {
  long long left = LOAD_ADDRESS - variant.program_start - stored_size - LOADER_VARIABLES_SIZE;
  return variant.name + std::string(" (from ") + std::to_string(variant.program_start) + ", " +
         std::to_string(left) + " bytes left for your lines after 2050)";
}

std::string listed(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
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

std::optional<std::string> memory_warning(long long stored_size) {
  std::vector<std::string> overwritten;
  std::vector<std::string> fitting;
  for (const basic_variant& variant : BASIC_VARIANTS) {
    if (variant.program_start + stored_size + LOADER_VARIABLES_SIZE <= LOAD_ADDRESS) {
      fitting.push_back(left_for_client(variant, stored_size));
    } else {
      overwritten.push_back(variant.name + std::string(" (program from ") +
                            std::to_string(variant.program_start) + ")");
    }
  }
  if (overwritten.empty()) return std::nullopt;
  return "the loader takes " + std::to_string(stored_size) +
         " bytes as a BASIC program, so its own POKEs from " + std::to_string(LOAD_ADDRESS) +
         " on would overwrite it under " + listed(overwritten) + "; it fits under " +
         (fitting.empty() ? "none of them" : listed(fitting));
}
