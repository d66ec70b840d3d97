#include "output_file.hpp"

#include "errno_text.hpp"
#include "format.hpp"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// The system's own wording, as the user sees it elsewhere on Windows.
std::string windows_error_text(DWORD code) {
  char text[256];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == '.' || text[length - 1] == ' ')) {
    --length;
  }
  if (length == 0) return "Windows error " + std::to_string(code);
  return std::string(text, length);
}
#endif

// Windows' C rename refuses to replace an existing file; MoveFileEx does.
std::optional<std::string> rename_over(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return std::nullopt;
  return "cannot replace: " + windows_error_text(GetLastError());
#else
  errno = 0;
  if (std::rename(from.c_str(), to.c_str()) == 0) return std::nullopt;
  return errno_text("cannot replace");
#endif
}

}  // namespace

std::optional<file_error> write_whole_file(const std::string& path, std::string_view contents) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return file_error{path, errno_text("cannot create")};
  errno = 0;
  bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  std::string write_error = errno_text("cannot write");
  // fclose flushes the buffer, so a full disk may only show here.
  errno = 0;
  bool closed = std::fclose(file) == 0;
  if (!written) return file_error{path, write_error};
  if (!closed) return file_error{path, errno_text("cannot write")};
  return std::nullopt;
}

std::optional<file_error> replace_file(const std::string& path, std::string_view contents) {
  std::string temporary = path + TEMPORARY_SUFFIX;
  std::optional<file_error> error = write_whole_file(temporary, contents);
  if (!error) {
    std::optional<std::string> rename_error = rename_over(temporary, path);
    if (!rename_error) return std::nullopt;
    error = file_error{path, *rename_error};
  }
  std::remove(temporary.c_str());
  return error;
}
