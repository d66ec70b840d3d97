// libFuzzer target: arbitrary bytes as the S-record file, converted in memory.
// Beyond "no crash", every loader that comes out must be one Color BASIC
// can take, and every refusal must be a one-line message.
#include "run.hpp"
#include "test_support.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void broken(const std::string& what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s\n%s\n", what.c_str(), detail.c_str());
  std::abort();
}

void check_loader(const std::string& loader) {
  parsed_loader parsed = parse_loader(loader);
  if (!parsed.problem.empty()) broken(parsed.problem, loader);
  if (parsed.values.empty()) broken("a loader without values", loader);
  if (parsed.for_bound != static_cast<int>(parsed.values.size()) - 1) {
    broken("FOR bound is not the value count - 1", loader);
  }
}

// One printable line: it goes to the console as it is.
void check_message(long long line, const std::string& message) {
  if (message.empty()) broken("a message without text", "");
  if (line < 0) broken("a negative line number", message);
  for (char c : message) {
    if (c < 0x20 || c > 0x7E) broken("a message with an unprintable character", message);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream s_records(std::string(reinterpret_cast<const char*>(data), size));
  std::string loader;
  std::vector<conversion_warning> warnings;
  try {
    warnings = make_loader(s_records, loader);
  } catch (const conversion_error& error) {
    check_message(error.line, error.message);
    return 0;
  }
  check_loader(loader);
  for (const conversion_warning& warning : warnings) check_message(warning.line, warning.message);
  return 0;
}
