// Writing the loader file so that a failure never costs the user the last
// good loader: the new text goes to a temporary file beside it, and only a
// complete, closed file is renamed over the old one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct file_error {
  std::string path;
  std::string message;
};

// Creates or truncates path and writes contents as its whole text, in binary
// so every host writes the same bytes. Every write and the close are checked.
std::optional<file_error> write_whole_file(const std::string& path, std::string_view contents);

// Afterwards path holds contents, or on failure exactly what it held before
// (and no temporary file is left behind).
std::optional<file_error> replace_file(const std::string& path, std::string_view contents);
