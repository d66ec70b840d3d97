// Built by MinGW and run under Wine by the Windows test: the Win32 file
// calls that the Windows program takes only on its failure paths. Prints
// what went wrong and exits 1, or exits 0 silently.
#include "native_file.hpp"
#include "output_file.hpp"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  if (ok) return;
  std::printf("failed: %s\n", what);
  ++failures;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void write_text(const std::string& path, const char* text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fputs(text, file);
  std::fclose(file);
}

}  // namespace

int main() {
  system_failure reason;
  native_file file;
  check(create_new_file("own.tmp", file, reason) == create_result::created, "create a new file");
  native_file again;
  check(create_new_file("own.tmp", again, reason) == create_result::name_taken, "a name taken");
  check(!write_all(file, "bytes"), "write");
  check(!flush_and_close(file), "flush and close");
  remove_own_file("own.tmp", file);
  check(!exists("own.tmp"), "remove the file this run made");

  check(create_new_file("swapped.tmp", file, reason) == create_result::created, "create");
  close_quietly(file);
  // Made while ours still exists, so it cannot be given our file's number.
  write_text("theirs.txt", "theirs");
  MoveFileExA("theirs.txt", "swapped.tmp", MOVEFILE_REPLACE_EXISTING);
  remove_own_file("swapped.tmp", file);
  check(exists("swapped.tmp"), "leave a file someone else put under that name");

  CreateDirectoryA("folder.tmp", nullptr);
  check(create_new_file("folder.tmp", file, reason) == create_result::name_taken, "a folder's name is taken");

  write_text("old.bas", "old");
  check(!replace_file("old.bas", "new").error, "replace a file");
  return failures == 0 ? 0 : 1;
}
