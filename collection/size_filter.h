// The size limit that the scan starts bind as every walker's filter.
#pragma once

#include <cstdint>

#include "collection/file_record.h"

namespace dravanta {

// The limit is sign-extended to 64 bits and compared as unsigned: 0 passes
// only empty files, a negative limit passes every file.
bool ExceedsSizeLimit(int32_t max_file_size_bytes, uint64_t size);

// A ready filter: bind FilterBySize with a SizeFilter as filter context.
struct SizeFilter {
  int32_t max_file_size_bytes = -1;
  // Called (on the worker thread) for each file rejected for its size; the
  // connector reports it with code 10008 and counts it as skipped.
  void (*on_skipped)(void* context, const FileRecord& record) = nullptr;
  void* context = nullptr;
};

// FileFilter-compatible: `size_filter` is a SizeFilter*.
bool FilterBySize(void* size_filter, const FileRecord& record);

}  // namespace dravanta
