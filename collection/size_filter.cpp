#include "collection/size_filter.h"

namespace dravanta {

bool ExceedsSizeLimit(int32_t max_file_size_bytes, uint64_t size) {
  // Sign extension makes a negative limit the largest unsigned value.
  const auto limit = static_cast<uint64_t>(static_cast<int64_t>(max_file_size_bytes));
  return size > limit;
}

bool FilterBySize(void* size_filter, const FileRecord& record) {
  const auto& filter = *static_cast<const SizeFilter*>(size_filter);
  if (!ExceedsSizeLimit(filter.max_file_size_bytes, record.size)) return true;
  if (filter.on_skipped != nullptr) filter.on_skipped(filter.context, record);
  return false;
}

}  // namespace dravanta
