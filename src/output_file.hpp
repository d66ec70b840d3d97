// Replacing the loader so that nobody, not even another run, ever finds
// anything at line.bas but one complete loader: the new text goes to a file
// of this run's own beside it, reaches the disk, and only then takes
// line.bas's place in a single rename.
#pragma once

#include "diagnostic.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct replace_result {
  std::optional<file_error> error;     // the file at path is as it was
  std::optional<std::string> warning;  // it was replaced, but not everything went well
};

// The middle of a temporary file's name, "<path>.<unique>.tmp": a new one
// on each call.
using name_source = std::function<std::string()>;
std::string unique_text();

// Afterwards path holds contents, or on failure exactly what it held before,
// with no file of this run's left behind. A path that is a link keeps being
// that link: the file it leads to is replaced, in its own folder, and keeps
// its permissions.
replace_result replace_file(const std::string& path, std::string_view contents,
                            const name_source& unique = unique_text);
