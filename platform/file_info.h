// File facts and the few file operations the shell needs: size, last-write
// time, deletion, and an append-only handle for the diagnostic log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

// windows.h makes DeleteFile a macro for the system call; here it is ours.
#ifdef DeleteFile
#undef DeleteFile
#endif

namespace dravanta {

// Last-write times are nanoseconds since 1970-01-01 UTC.
using FileTime = int64_t;

// What LastWriteTime answers for a file that does not exist or cannot be
// examined: earlier than any real time.
constexpr FileTime kEarliestFileTime = std::numeric_limits<FileTime>::min();

// Size in bytes of the file at `path`; nothing when it cannot be examined.
std::optional<uint64_t> FileSize(std::u16string_view path);

// Last-write time of the file at `path`, or kEarliestFileTime.
FileTime LastWriteTime(std::u16string_view path);

// Sets the last-write time of the file at `path`; false when it cannot.
bool SetLastWriteTime(std::u16string_view path, FileTime time);

// Removes the file at `path`; false when it could not be removed (a missing
// file included).
bool DeleteFile(std::u16string_view path);

// Sets the size of the file at `path`, creating it when missing. Growing it
// leaves a hole that takes no disk space (a sparse file).
bool SetFileSize(std::u16string_view path, uint64_t size);

// A file opened for appending in binary mode. Writes go straight to the
// system (nothing is buffered in the process), so every Write is flushed.
class AppendFile {
 public:
  // Opens or creates the file at `path`; where the system has file modes, a
  // created file is readable and writable by its owner only and an existing
  // one keeps its mode. With `sole_writer`, the open fails while another
  // sole writer (of any process) has the file open, and on Windows while
  // anyone has it open for writing, so two writers never mix their records;
  // readers are never kept out. On Windows a sole writer's file cannot be
  // opened for writing by others.
  static std::unique_ptr<AppendFile> Open(std::u16string_view path, bool sole_writer);

  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Appends all `size` bytes; false when the system refused some of them.
  bool Write(const void* data, size_t size);

 private:
  explicit AppendFile(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;  // the system's handle or descriptor of the open file
};

}  // namespace dravanta
