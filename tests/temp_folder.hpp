#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

// A fresh folder under the system's temporary folder, removed with its
// contents when the test is done.
struct temp_folder {
  std::filesystem::path path;

  temp_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pokeloader-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::filesystem::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
    }
    path = pattern;
  }
  ~temp_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;
};
