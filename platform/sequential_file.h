// Reading a regular file from start to end in pieces, so that memory does
// not depend on the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace dravanta {

class SequentialFile {
 public:
  // Opens the file at `path` for reading; nothing when it is missing,
  // unreadable or not a regular file (a folder, a FIFO or a device is never
  // read, so opening one cannot block).
  static std::unique_ptr<SequentialFile> Open(std::u16string_view path);

  ~SequentialFile();
  SequentialFile(const SequentialFile&) = delete;
  SequentialFile& operator=(const SequentialFile&) = delete;

  // Reads up to `size` bytes: the count read, 0 at the end, -1 on an error.
  int64_t Read(void* buffer, size_t size);

 private:
  explicit SequentialFile(int descriptor) : descriptor_(descriptor) {}
  int descriptor_;
};

}  // namespace dravanta
