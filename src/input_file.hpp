// M.OUT as the stream the record reader takes, read straight from the file
// it was opened as: what is checked to be a regular file is what is read.
#pragma once

#include <array>
#include <istream>
#include <streambuf>

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
