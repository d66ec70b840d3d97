// M.OUT as the stream the record reader takes, read straight from the file
// it was opened as: what is checked to be a regular file is what is read.
#pragma once

#include "diagnostic.hpp"

#include <array>
#include <istream>
#include <optional>
#include <streambuf>
#include <string>

// Opens the S-record file at path (INPUT_PATH, relative to the working
// folder where there are no drive letters) into fd. On failure the error
// names the full path that was tried and, when nothing is there, what the
// user most likely got wrong: the working folder, the file's name or its
// folder.
std::optional<file_error> open_input(const std::string& path, int& fd);

// Reads an open file in blocks and closes it at the end of its life. A
// failed read sets errno and makes the stream bad, so it can never pass for
// the end of the file.
struct input_file_buffer : std::streambuf {
  explicit input_file_buffer(int fd) : fd(fd) {}
  ~input_file_buffer() override;
  input_file_buffer(const input_file_buffer&) = delete;
  input_file_buffer& operator=(const input_file_buffer&) = delete;

  int_type underflow() override;

  int fd;
  std::array<char, 4096> block{};
};
