#include "input_file.hpp"

#include "native_file.hpp"

#include <cerrno>
#include <cctype>
#include <filesystem>
#include <ios>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Names in folder a user may have meant for name: the same in another case,
// or with an extension added (an editor's ".txt").
std::vector<std::string> near_names(const fs::path& folder, const std::string& name) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::string candidate = entry.path().filename().string();
    std::string folded = lower(candidate);
    if (folded == lower(name) || folded.starts_with(lower(name) + ".")) found.push_back(candidate);
  }
  return found;
}

bool is_folder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// Where there are no drive letters, c: is a folder in the working folder,
// and the usual mistake is to run pokeloader from somewhere else.
std::optional<std::string> working_folder_hint(const fs::path& drive) {
#ifdef _WIN32
  (void)drive;
  return std::nullopt;
#else
  if (is_folder(drive)) return std::nullopt;
  std::error_code error;
  fs::path here = fs::current_path(error);
  for (fs::path folder = here; !error && folder.has_relative_path(); folder = folder.parent_path()) {
    if (folder.filename() == drive) {
      return "you are inside " + folder.generic_string() + "; run pokeloader from " +
             folder.parent_path().generic_string() + ", the folder that holds " +
             drive.generic_string();
    }
  }
  for (const std::string& name : near_names(".", drive.string())) {
    if (is_folder(name)) {
      return "this folder holds " + name + ", but here names differ in case: it must be " +
             drive.generic_string();
    }
  }
  return "this folder holds no " + drive.generic_string() + " folder: run pokeloader from the " +
         "folder that holds it (on Linux the path is relative to the working folder)";
#endif
}

// The likely fix when nothing is found at path ("c:/coco/as11/M.OUT").
std::string missing_input_hint(const fs::path& path) {
  fs::path as11 = path.parent_path();
  fs::path coco = as11.parent_path();
  std::string name = path.filename().string();
  if (std::vector<std::string> near = near_names(as11, name); !near.empty()) {
    return "found " + (as11 / near.front()).generic_string() + " instead: the name must be " + name;
  }
  if (is_folder(coco)) {
    if (std::vector<std::string> near = near_names(coco, name); !near.empty()) {
      return "found " + (coco / near.front()).generic_string() + ", one folder too high: it " +
             "belongs in " + as11.generic_string();
    }
  } else if (auto hint = working_folder_hint(coco.parent_path())) {
    return *hint;
  }
  if (is_folder(as11)) {
    return "have the assembler write its S-record output (S19) to " + path.generic_string();
  }
  return "the folder " + as11.generic_string() + " does not exist: create it and have the " +
         "assembler write " + name + " there";
}

// The path as the system resolved it: from the working folder where there
// are no drive letters.
std::string full_path(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::error_code error;
  fs::path here = fs::current_path(error);
  return error ? path : (here / path).generic_string();
#endif
}

}  // namespace

std::optional<file_error> open_input(const std::string& path, int& fd) {
  failure reason = open_regular_file(path, fd);
  if (!reason) return std::nullopt;
  if (reason->kind == failure_kind::not_found) {
    return file_error{full_path(path), "not found: " + missing_input_hint(path)};
  }
  return file_error{full_path(path), "cannot open: " + reason->text};
}

input_file_buffer::~input_file_buffer() { close_input(fd); }

input_file_buffer::int_type input_file_buffer::underflow() {
  long count = read_some(fd, block.data(), block.size());
  if (count < 0) {
    // The stream turns this into its bad state; errno still names the cause.
    int error = errno;
    std::ios_base::failure failure("read failed");
    errno = error;
    throw failure;
  }
  if (count == 0) return traits_type::eof();
  setg(block.data(), block.data(), block.data() + count);
  return traits_type::to_int_type(block[0]);
}
