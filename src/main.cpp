// pokeloader: turns the assembler's S-record file into a Color BASIC loader.
// No arguments, no configuration; silent on success (but for a warning when
// the loader is too large to run safely), one line on stderr and exit status
// 1 on any failure, with the previous loader left untouched.

#include "basic_memory.hpp"
#include "conversion_run.hpp"
#include "errno_text.hpp"
#include "format.hpp"
#include "output_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// "pokeloader: <path>:<line>: <message>", the line left out when it is 0.
int report_failure(const std::string& path, long long line, const std::string& message) {
  std::string text = "pokeloader: " + path;
  if (line > 0) text.append(":").append(std::to_string(line));
  text.append(": ").append(message).append("\n");
  std::fputs(text.c_str(), stderr);
  return EXIT_FAILURE;
}

void report_warning(const std::string& message) {
  std::string text = "pokeloader: warning: ";
  text.append(message).append("\n");
  std::fputs(text.c_str(), stderr);
}

}  // namespace

int main() {
  errno = 0;
  std::ifstream s_records(INPUT_PATH, std::ios::binary);
  if (!s_records) return report_failure(INPUT_PATH, 0, errno_text("cannot open"));

  // The loader is held in memory until it is complete: its size is bounded
  // by the DATA line limit, and the old file must stay intact on any error.
  std::string loader;
  try {
    convert(s_records, loader);
  } catch (const conversion_error& error) {
    return report_failure(INPUT_PATH, error.line, error.message);
  }
  if (auto error = replace_file(OUTPUT_PATH, loader)) {
    return report_failure(error->path, 0, error->message);
  }
  if (auto warning = memory_warning(stored_program_size(loader))) report_warning(*warning);
  return EXIT_SUCCESS;
}
