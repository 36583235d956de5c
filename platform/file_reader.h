// Reading a local file from start to end, in pieces, with 64-bit sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/directory.h"

namespace dravanta {

// The system's handle of an open file (a descriptor on POSIX, a HANDLE on
// Windows), kNoFileHandle when closed.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFileHandle = -1;

// An open file.
struct ReadableFile {
  FileHandle handle = kNoFileHandle;
  std::uint64_t size_at_open = 0;  // from the status taken when it was opened
};

// Opens the regular file named by a UTF-8 path (on POSIX raw bytes), of any
// length, for reading; anything else (folder, FIFO, socket, device) is
// refused without blocking (EISDIR, EINVAL; on Windows ERROR_DIRECTORY,
// ERROR_INVALID_PARAMETER). Unless told to follow it, a path whose last name
// is a symbolic link (on Windows any reparse point) is refused too (ELOOP;
// ERROR_CANT_ACCESS_FILE): a file swapped for a link after it was listed
// must not hand the scan whatever the link points at. On failure returns
// false and sets *error_number to the system's error number.
bool OpenReadableFile(std::string_view path, ReadableFile* file, int* error_number,
                      FinalLink final_link = FinalLink::kDoNotFollow);

// The file's size in bytes when it was opened (no further system call).
bool ReadableFileSize(const ReadableFile& file, std::uint64_t* size);

// Reads up to size bytes at the current position, retrying interrupted
// reads. Returns the count read (0 at end of file) or -1 on a read error.
std::int64_t ReadFromFile(ReadableFile& file, void* buffer, std::size_t size);

// Moves the position to offset bytes from the start.
bool SeekReadableFile(ReadableFile& file, std::uint64_t offset);

// Tells the system the file of size bytes will be read once from start to
// end, in pieces of piece bytes; a file read in one piece needs no advice.
void AdviseSequentialRead(const ReadableFile& file, std::uint64_t size, std::size_t piece);

// Closes the file (a closed file is left alone).
void CloseReadableFile(ReadableFile* file);

// Closes the file when the scope ends.
struct ReadableFileCloser {
  ReadableFile* file;
  ~ReadableFileCloser() { CloseReadableFile(file); }
};

}  // namespace dravanta
