// The few file operations pokeloader needs, each done the safe way on its
// platform: M.OUT read only when it is a plain file, new files created only
// under names nobody holds and never through a link, everything flushed to
// disk before it replaces the old loader, and nothing removed that this run
// did not create. A failure comes back as the system's own words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Why a call failed: what it comes to for the user, and the system's own
// words (or, for a file of the wrong kind, what it is).
enum class failure_kind {
  other,
  not_found,
  not_permitted,
  read_only_disk,
  disk_full,
  too_large,
  in_use,
  not_a_file,
};
struct system_failure {
  failure_kind kind = failure_kind::other;
  std::string text;
};
// Nothing when the call worked.
using failure = std::optional<system_failure>;

// ---- Reading ----------------------------------------------------------------

// Opens path for reading, following links, only when it ends in a regular
// file: a FIFO, device, socket or folder is refused at once, never waited on.
failure open_regular_file(const std::string& path, int& fd);

// Reads up to size bytes; 0 at the end, -1 on failure with errno set.
long read_some(int fd, char* buffer, std::size_t size);

void close_input(int fd);

// ---- Writing ----------------------------------------------------------------

// A file this run created: the open handle (fd on POSIX, HANDLE on Windows)
// and which file it is, whatever name it may come to carry.
struct native_file {
  std::intptr_t handle = -1;
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
};

enum class create_result { created, name_taken, failed };

// Creates path only if no file, folder or link of that name exists.
create_result create_new_file(const std::string& path, native_file& file, system_failure& reason);

failure write_all(native_file& file, std::string_view bytes);
// Gives file the permission bits of the file at model, when there is one.
failure copy_permissions(const std::string& model, native_file& file);
// Flushes file's bytes to the disk, then closes it, even when that fails.
failure flush_and_close(native_file& file);
void close_quietly(native_file& file);

// Puts the file at from in the place of to in one step: at every moment to
// is either the old file or the new one.
failure rename_over(const std::string& from, const std::string& to);

// Makes a rename in folder survive a power cut.
failure flush_folder(const std::string& folder);

// Removes path only while it still is the file this run created.
void remove_own_file(const std::string& path, const native_file& file);

// Where a chain of links starting at path ends: path itself when it is no
// link. What is there must be a regular file, or nothing yet.
failure resolve_replace_target(const std::string& path, std::string& target);

// This process's number, which no other running process shares.
unsigned long process_id();

// The folder part of path ("." when it has none), for files made beside it.
inline std::string folder_of(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}
