// pokeloader: turns the assembler's S-record file into a Color BASIC loader.
// No arguments, no configuration; silent on success but for warnings the
// user must see before typing the loader in, one line on stderr and exit
// status 1 on any failure, with the previous loader left untouched.

#include "errno_text.hpp"
#include "format.hpp"
#include "output_file.hpp"
#include "run.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// "<path>:<line>: ", the line left out when it is 0.
std::string place(const std::string& path, long long line) {
  return line > 0 ? path + ":" + std::to_string(line) + ": " : path + ": ";
}

// "pokeloader: <path>:<line>: <message>"
int report_failure(const std::string& path, long long line, const std::string& message) {
  std::string text = "pokeloader: " + place(path, line) + message + "\n";
  std::fputs(text.c_str(), stderr);
  return EXIT_FAILURE;
}

// "pokeloader: warning: ...", naming M.OUT (and its line) when it is about
// the file.
void report_warning(const conversion_warning& warning) {
  std::string text = "pokeloader: warning: ";
  if (warning.about_input) text += place(INPUT_PATH, warning.line);
  text += warning.message + "\n";
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
  std::vector<conversion_warning> warnings;
  try {
    warnings = make_loader(s_records, loader);
  } catch (const conversion_error& error) {
    return report_failure(INPUT_PATH, error.line, error.message);
  }
  if (auto error = replace_file(OUTPUT_PATH, loader)) {
    return report_failure(error->path, 0, error->message);
  }
  for (const conversion_warning& warning : warnings) report_warning(warning);
  return EXIT_SUCCESS;
}
