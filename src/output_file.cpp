#include "output_file.hpp"

#include "format.hpp"
#include "native_file.hpp"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>

namespace {

// Names are tried until one is free: a name another run or anybody else
// holds is never touched.
constexpr int NAME_ATTEMPTS = 100;

failure create_temporary(const std::string& target, const name_source& unique, native_file& file,
                         std::string& temporary) {
  system_failure reason;
  for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
    temporary = target + "." + unique() + TEMPORARY_SUFFIX;
    switch (create_new_file(temporary, file, reason)) {
      case create_result::created:
        return std::nullopt;
      case create_result::failed:
        return reason;
      case create_result::name_taken:
        break;
    }
  }
  return system_failure{failure_kind::other, "every name tried for a new file beside it was taken"};
}

// What went wrong in the user's terms, then the system's own words: the
// folder the loader lives in is what the user can go and check.
std::string explained(const system_failure& failure, const std::string& folder) {
  std::string own_words = " (" + failure.text + ")";
  switch (failure.kind) {
    case failure_kind::not_found:
      return "the folder " + folder + " does not exist" + own_words;
    case failure_kind::not_permitted:
      return "the folder " + folder + " is not writable" + own_words;
    case failure_kind::read_only_disk:
      return "the folder " + folder + " is on a read-only disk" + own_words;
    case failure_kind::disk_full:
      return "the disk is full" + own_words;
    case failure_kind::too_large:
      return "the file would be larger than this system allows" + own_words;
    case failure_kind::in_use:
      return "line.bas is open in another program" + own_words;
    case failure_kind::not_a_file:
    case failure_kind::other:
      break;
  }
  return failure.text;
}

// The rename is refused for line.bas itself as much as for its folder: on
// Windows a read-only line.bas gives "access denied" here.
std::string replace_explained(const system_failure& failure, const std::string& folder) {
  if (failure.kind != failure_kind::not_permitted) return explained(failure, folder);
  return "line.bas is read-only or its folder " + folder + " is not writable (" + failure.text + ")";
}

// Everything between creating the temporary file and renaming it: the
// permissions first, so the new text is never readable by more people
// than the old one was.
std::optional<file_error> fill_and_rename(const std::string& path, const std::string& target,
                                          const std::string& temporary, native_file& file,
                                          std::string_view contents) {
  std::string folder = folder_of(target);
  failure problem = copy_permissions(target, file);
  if (!problem) problem = write_all(file, contents);
  if (problem) {
    close_quietly(file);
    return file_error{path, "cannot write: " + explained(*problem, folder)};
  }
  if (failure flush = flush_and_close(file)) {
    return file_error{path, "cannot write: " + explained(*flush, folder)};
  }
  if (failure rename = rename_over(temporary, target)) {
    return file_error{path, "cannot replace: " + replace_explained(*rename, folder)};
  }
  return std::nullopt;
}

}  // namespace

std::string unique_text() {
  auto noise = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    noise ^= std::random_device{}();
  } catch (const std::exception&) {
    // No random source: the clock alone will do, as a name taken is retried.
  }
  char text[32];
  std::snprintf(text, sizeof text, "%lu-%08x", process_id(), static_cast<unsigned>(noise));
  return text;
}

replace_result replace_file(const std::string& path, std::string_view contents,
                            const name_source& unique) {
  std::string target;
  if (failure reason = resolve_replace_target(path, target)) {
    return {file_error{path, "cannot replace: " + explained(*reason, folder_of(path))}, std::nullopt};
  }
  native_file file;
  std::string temporary;
  if (failure reason = create_temporary(target, unique, file, temporary)) {
    return {file_error{path, "cannot write: " + explained(*reason, folder_of(target))}, std::nullopt};
  }
  if (auto error = fill_and_rename(path, target, temporary, file, contents)) {
    remove_own_file(temporary, file);
    return {error, std::nullopt};
  }
  // The new loader is in place: whatever follows cannot make this a failure.
  if (failure reason = flush_folder(folder_of(target))) {
    return {std::nullopt, "the new loader is in place, but its folder could not be flushed to "
                          "disk, so a power cut now may lose it: " + reason->text};
  }
  return {};
}
