// The file operations of native_file.hpp on Windows. M.OUT is read through
// the C runtime, whose messages match those of other hosts; line.bas is
// written through Win32, which alone can create a file only if it is new,
// flush it to the disk and rename it over the old one in one step.
#include "native_file.hpp"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace {

// The system's own wording, as the user sees it elsewhere on Windows.
std::string windows_error_text(DWORD code) {
  char text[256];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == '.' || text[length - 1] == ' ')) {
    --length;
  }
  if (length == 0) return "Windows error " + std::to_string(code);
  return std::string(text, length);
}

system_failure failure_of(DWORD code) {
  failure_kind kind = failure_kind::other;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      kind = failure_kind::not_found;
      break;
    case ERROR_ACCESS_DENIED:
      kind = failure_kind::not_permitted;
      break;
    case ERROR_WRITE_PROTECT:
      kind = failure_kind::read_only_disk;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      kind = failure_kind::disk_full;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      kind = failure_kind::in_use;
      break;
  }
  return {kind, windows_error_text(code)};
}

system_failure last_failure() { return failure_of(GetLastError()); }

// The C runtime's errno, for M.OUT.
system_failure errno_failure(int error) {
  failure_kind kind = error == ENOENT ? failure_kind::not_found
                      : error == EACCES ? failure_kind::not_permitted
                                        : failure_kind::other;
  return {kind, std::strerror(error)};
}

HANDLE handle_of(const native_file& file) { return reinterpret_cast<HANDLE>(file.handle); }

bool identify(HANDLE handle, native_file& file) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return false;
  file.volume = information.dwVolumeSerialNumber;
  file.index = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
  return true;
}

const system_failure FOLDER_REFUSAL{failure_kind::not_a_file, "it is a folder, not a file"};

}  // namespace

failure open_regular_file(const std::string& path, int& fd) {
  // The C runtime cannot open a folder; say what it is instead of its
  // "Permission denied".
  struct _stat64 status;
  if (_stat64(path.c_str(), &status) == 0 && (status.st_mode & _S_IFDIR)) return FOLDER_REFUSAL;
  fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return errno_failure(errno);
  if (_fstat64(fd, &status) != 0 || !(status.st_mode & _S_IFREG)) {
    _close(fd);
    fd = -1;
    return system_failure{failure_kind::not_a_file, "it is a device, not a file"};
  }
  return std::nullopt;
}

long read_some(int fd, char* buffer, std::size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(size));
}

void close_input(int fd) { _close(fd); }

create_result create_new_file(const std::string& path, native_file& file, system_failure& reason) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    // A folder of that name answers "access denied", as an unwritable folder does.
    bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                 (error == ERROR_ACCESS_DENIED && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    if (taken) return create_result::name_taken;
    reason = failure_of(error);
    return create_result::failed;
  }
  file.handle = reinterpret_cast<std::intptr_t>(handle);
  if (!identify(handle, file)) {
    reason = last_failure();
    CloseHandle(handle);
    DeleteFileA(path.c_str());  // made a moment ago by this very call
    return create_result::failed;
  }
  return create_result::created;
}

failure write_all(native_file& file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(handle_of(file), bytes.data(), chunk, &written, nullptr)) return last_failure();
    if (written == 0) return failure_of(ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  return std::nullopt;
}

// Windows keeps no permission bits: a read-only old loader is refused by
// the rename, which says so.
failure copy_permissions(const std::string&, native_file&) { return std::nullopt; }

failure flush_and_close(native_file& file) {
  failure result;
  if (!FlushFileBuffers(handle_of(file))) result = last_failure();
  if (!CloseHandle(handle_of(file)) && !result) result = last_failure();
  file.handle = -1;
  return result;
}

void close_quietly(native_file& file) {
  if (file.handle != -1) CloseHandle(handle_of(file));
  file.handle = -1;
}

failure rename_over(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return std::nullopt;
  }
  return last_failure();
}

// MOVEFILE_WRITE_THROUGH has already put the rename on the disk.
failure flush_folder(const std::string&) { return std::nullopt; }

void remove_own_file(const std::string& path, const native_file& file) {
  HANDLE handle = CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  native_file found;
  if (identify(handle, found) && found.volume == file.volume && found.index == file.index) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
  }
  CloseHandle(handle);
}

// Links are rare on Windows and not followed: a link named line.bas is
// itself replaced by the new loader.
failure resolve_replace_target(const std::string& path, std::string& target) {
  target = path;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return FOLDER_REFUSAL;
  }
  return std::nullopt;
}

unsigned long process_id() { return static_cast<unsigned long>(GetCurrentProcessId()); }
