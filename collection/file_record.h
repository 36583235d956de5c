// One file found while collecting a scan target.
#pragma once

#include <cstdint>
#include <string>

namespace dravanta {

struct FileRecord {
  // Full path: the directory path followed by the entry name. Names that are
  // not valid UTF-8 are carried losslessly (see platform/text.h).
  std::u16string path;
  // Byte count from the directory listing; the file is never opened here.
  uint64_t size = 0;
};

}  // namespace dravanta
