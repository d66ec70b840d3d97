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
  std::string reason;
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
  return "every name tried for a new file beside it was taken";
}

// Everything between creating the temporary file and renaming it: the
// permissions first, so the new text is never readable by more people
// than the old one was.
std::optional<file_error> fill_and_rename(const std::string& path, const std::string& target,
                                          const std::string& temporary, native_file& file,
                                          std::string_view contents) {
  failure problem = copy_permissions(target, file);
  if (!problem) problem = write_all(file, contents);
  if (problem) {
    close_quietly(file);
    return file_error{path, "cannot write: " + *problem};
  }
  if (failure flush = flush_and_close(file)) return file_error{path, "cannot write: " + *flush};
  if (failure rename = rename_over(temporary, target)) {
    return file_error{path, "cannot replace: " + *rename};
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
    return {file_error{path, "cannot replace: " + *reason}, std::nullopt};
  }
  native_file file;
  std::string temporary;
  if (failure reason = create_temporary(target, unique, file, temporary)) {
    return {file_error{path, "cannot create: " + *reason}, std::nullopt};
  }
  if (auto error = fill_and_rename(path, target, temporary, file, contents)) {
    remove_own_file(temporary, file);
    return {error, std::nullopt};
  }
  // The new loader is in place: whatever follows cannot make this a failure.
  if (failure reason = flush_folder(folder_of(target))) {
    return {std::nullopt, "the new loader is in place, but its folder could not be flushed to "
                          "disk, so a power cut now may lose it: " + *reason};
  }
  return {};
}
