#pragma once

#include <cerrno>
#include <cstring>
#include <string>

// "cannot open: No such file or directory", from the errno of the failed
// call; just the action when the library left errno unset.
inline std::string errno_text(const char* action) {
  int error = errno;
  return error == 0 ? action : std::string(action) + ": " + std::strerror(error);
}
