// pokeloader: turns the assembler's S-record file into a Color BASIC loader.
// No configuration, and no arguments but --help and --version; silent on
// success but for warnings the user must see before typing the loader in,
// one line on stderr and exit status 1 on any failure, with the previous
// loader left untouched.

#include "command_line.hpp"
#include "format.hpp"
#include "input_file.hpp"
#include "output_file.hpp"
#include "run.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <istream>
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

void report_warning(const std::string& message) {
  std::string text = "pokeloader: warning: " + message + "\n";
  std::fputs(text.c_str(), stderr);
}

// Naming M.OUT (and its line) when the warning is about the file.
void report_warning(const conversion_warning& warning) {
  report_warning(warning.about_input ? place(INPUT_PATH, warning.line) + warning.message
                                     : warning.message);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
  // A console that stopped listening must not turn a replaced loader into a
  // failed run: messages that cannot be written are lost, nothing more.
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
  // Past a file-size limit, a write must fail and be reported, with the
  // temporary file removed, rather than the signal end the run mid-write.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  if (auto status = answer_command_line(argc, argv)) return *status;
  int fd = -1;
  if (auto error = open_input(INPUT_PATH, fd)) return report_failure(error->path, 0, error->message);
  input_file_buffer input(fd);
  std::istream s_records(&input);

  // The loader is held in memory until it is complete: its size is bounded
  // by the DATA line limit, and the old file must stay intact on any error.
  std::string loader;
  std::vector<conversion_warning> warnings;
  try {
    warnings = make_loader(s_records, loader);
  } catch (const conversion_error& error) {
    return report_failure(INPUT_PATH, error.line, error.message);
  }
  replace_result replaced = replace_file(OUTPUT_PATH, loader);
  if (replaced.error) return report_failure(replaced.error->path, 0, replaced.error->message);
  for (const conversion_warning& warning : warnings) report_warning(warning);
  if (replaced.warning) report_warning(place(OUTPUT_PATH, 0) + *replaced.warning);
  return EXIT_SUCCESS;
}
