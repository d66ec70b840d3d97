#include "input_file.hpp"

#include "native_file.hpp"

#include <cerrno>
#include <ios>

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
