#include "command_line.hpp"

#include "format.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr char USAGE[] =
    "Usage: pokeloader [--help | --version]\n"
    "\n"
    "Turns the S-record file of a 6809 program into a CoCo 2 BASIC loader:\n"
    "  reads  c:/coco/as11/M.OUT     the assembler's Motorola S-records (S19)\n"
    "  writes c:/coco/as11/line.bas  a BASIC loader that POKEs them from 14252\n"
    "It takes no other arguments and no configuration.\n"
    "\n"
    "On Windows these paths are what they say. On Linux they are relative to the\n"
    "working folder: run pokeloader from the folder that holds c:.\n"
    "\n"
    "Exit status: 0  line.bas holds the new loader (warnings may follow on stderr)\n"
    "             1  nothing was changed; one line on stderr says why\n"
    "             2  an argument pokeloader does not take\n"
    "\n"
    "Every message, with its cause and fix: README.md (in the zip, or in\n"
    "/usr/share/doc/pokeloader), and man pokeloader.\n";

bool is_help(std::string_view argument) { return argument == "-h" || argument == "--help"; }
bool is_version(std::string_view argument) { return argument == "--version"; }

}  // namespace

std::optional<int> answer_command_line(int argc, const char* const* argv) {
  if (argc <= 1) return std::nullopt;
  std::string_view first = argv[1];
  if (argc == 2 && is_help(first)) {
    std::fputs(USAGE, stdout);
    return EXIT_SUCCESS;
  }
  if (argc == 2 && is_version(first)) {
    std::fputs("pokeloader " POKELOADER_VERSION "\n", stdout);
    return EXIT_SUCCESS;
  }
  std::string unexpected = is_help(first) || is_version(first) ? argv[2] : argv[1];
  std::string message = "pokeloader: unexpected argument \"" + unexpected +
                        "\": pokeloader takes no arguments and always reads " + INPUT_PATH +
                        ", so copy your S-record file there (pokeloader --help tells more)\n";
  std::fputs(message.c_str(), stderr);
  return EXIT_BAD_ARGUMENTS;
}
