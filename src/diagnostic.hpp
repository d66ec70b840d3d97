// What pokeloader tells the user about a conversion. An error stops the run
// and leaves the old loader in place; a warning is printed only once the new
// loader has replaced it.
#pragma once

#include <cstdint>
#include <string>

// "1 byte", "52 bytes": sizes in messages.
inline std::string bytes_text(std::uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// What is wrong with the input. line is 0 when no single line is to blame.
struct conversion_error {
  long long line;
  std::string message;
};

// Something the user must know before typing the loader in. A warning about
// M.OUT names the file (and the line, when it is not 0); one about the CoCo
// alone names neither.
struct conversion_warning {
  long long line;
  std::string message;
  bool about_input = true;
};

// What went wrong with a file itself: path names it as the user knows it.
struct file_error {
  std::string path;
  std::string message;
};
