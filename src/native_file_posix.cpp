// The file operations of native_file.hpp on POSIX systems.
#include "native_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

system_failure failure_of(int error) {
  failure_kind kind = failure_kind::other;
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      kind = failure_kind::not_found;
      break;
    case EACCES:
    case EPERM:
      kind = failure_kind::not_permitted;
      break;
    case EROFS:
      kind = failure_kind::read_only_disk;
      break;
    case ENOSPC:
    case EDQUOT:
      kind = failure_kind::disk_full;
      break;
    case EFBIG:
      kind = failure_kind::too_large;
      break;
    case EBUSY:
    case ETXTBSY:
      kind = failure_kind::in_use;
      break;
  }
  return {kind, std::strerror(error)};
}

// What a non-regular file is, in words a user knows.
system_failure refusal_for(mode_t mode) {
  const char* kind = S_ISDIR(mode)                       ? "a folder"
                     : S_ISFIFO(mode)                    ? "a FIFO (named pipe)"
                     : S_ISSOCK(mode)                    ? "a socket"
                     : S_ISCHR(mode) || S_ISBLK(mode)    ? "a device"
                                                         : "not a regular file";
  return {failure_kind::not_a_file, std::string("it is ") + kind + ", not a file"};
}

int fd_of(const native_file& file) { return static_cast<int>(file.handle); }

}  // namespace

failure open_regular_file(const std::string& path, int& fd) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
  // writer for ever. On a regular file it changes nothing.
  fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    int error = errno;
    struct stat status;
    if (error == ENXIO && stat(path.c_str(), &status) == 0) return refusal_for(status.st_mode);
    return failure_of(error);
  }
  struct stat status;
  failure refusal;
  if (fstat(fd, &status) != 0) {
    refusal = failure_of(errno);
  } else if (!S_ISREG(status.st_mode)) {
    refusal = refusal_for(status.st_mode);
  }
  if (refusal) {
    close(fd);
    fd = -1;
  }
  return refusal;
}

long read_some(int fd, char* buffer, std::size_t size) {
  ssize_t count;
  do {
    count = read(fd, buffer, size);
  } while (count < 0 && errno == EINTR);
  return static_cast<long>(count);
}

void close_input(int fd) { close(fd); }

create_result create_new_file(const std::string& path, native_file& file, system_failure& reason) {
  // O_EXCL refuses any name that exists, a link or a FIFO included, so the
  // run never writes into anything but a file it has just made.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return create_result::name_taken;
    reason = failure_of(errno);
    return create_result::failed;
  }
  struct stat status;
  if (fstat(fd, &status) != 0) {
    reason = failure_of(errno);
    close(fd);
    unlink(path.c_str());  // made a moment ago by this very call
    return create_result::failed;
  }
  file = {fd, static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  return create_result::created;
}

failure write_all(native_file& file, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = write(fd_of(file), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return failure_of(written < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return std::nullopt;
}

failure copy_permissions(const std::string& model, native_file& file) {
  struct stat status;
  if (stat(model.c_str(), &status) != 0) {
    return errno == ENOENT ? std::nullopt : failure(failure_of(errno));
  }
  if (fchmod(fd_of(file), status.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) != 0) {
    return failure_of(errno);
  }
  return std::nullopt;
}

failure flush_and_close(native_file& file) {
  failure result;
  if (fsync(fd_of(file)) != 0) result = failure_of(errno);
  // Not retried on EINTR: on Linux the descriptor is gone either way.
  if (close(fd_of(file)) != 0 && !result) result = failure_of(errno);
  file.handle = -1;
  return result;
}

void close_quietly(native_file& file) {
  if (file.handle >= 0) close(fd_of(file));
  file.handle = -1;
}

failure rename_over(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) return failure_of(errno);
  return std::nullopt;
}

failure flush_folder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failure_of(errno);
  failure result;
  // Some file systems cannot flush a folder and say so; nothing is lost then.
  if (fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) result = failure_of(errno);
  close(fd);
  return result;
}

void remove_own_file(const std::string& path, const native_file& file) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return;
  if (static_cast<std::uint64_t>(status.st_dev) != file.volume ||
      static_cast<std::uint64_t>(status.st_ino) != file.index) {
    return;
  }
  unlink(path.c_str());
}

failure resolve_replace_target(const std::string& path, std::string& target) {
  target = path;
  for (int links = 0;; ++links) {
    struct stat status;
    if (lstat(target.c_str(), &status) != 0) {
      return errno == ENOENT ? std::nullopt : failure(failure_of(errno));
    }
    if (S_ISREG(status.st_mode)) return std::nullopt;
    if (!S_ISLNK(status.st_mode)) return refusal_for(status.st_mode);
    if (links == 40) return failure_of(ELOOP);
    std::string link(static_cast<std::size_t>(status.st_size) + 1, '\0');
    ssize_t size = readlink(target.c_str(), link.data(), link.size());
    if (size < 0) return failure_of(errno);
    link.resize(static_cast<std::size_t>(size));
    target = link.starts_with('/') ? link : folder_of(target) + "/" + link;
  }
}

unsigned long process_id() { return static_cast<unsigned long>(getpid()); }
