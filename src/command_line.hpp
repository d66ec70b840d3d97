// pokeloader's command line. It needs no argument and no argument changes
// what it converts: --help and --version answer and touch no file, and
// anything else is refused before any file is touched, so that nobody takes
// the conversion of c:/coco/as11/M.OUT for that of the file they named.
#pragma once

#include <optional>

// Exit status 2: the command line was not one pokeloader takes.
inline constexpr int EXIT_BAD_ARGUMENTS = 2;

// Answers --help or --version, or refuses other arguments, on the console,
// and gives the exit status; nothing when there are no arguments and the
// conversion should run.
std::optional<int> answer_command_line(int argc, const char* const* argv);
