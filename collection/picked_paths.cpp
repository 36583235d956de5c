#include "collection/picked_paths.h"

#include <map>

#include "platform/directory.h"
#include "platform/drives.h"
#include "platform/path_separator.h"

namespace dravanta {
namespace {

constexpr char16_t kSeparator = u'|';

bool EndsWithSeparator(std::u16string_view text) {
  return !text.empty() && IsPathSeparator(text.back());
}

}  // namespace

size_t SplitPathList(std::u16string_view text, std::vector<std::u16string>* pieces) {
  pieces->clear();
  size_t start = 0;
  for (size_t cut = text.find(kSeparator); cut != std::u16string_view::npos;
       cut = text.find(kSeparator, start)) {
    pieces->emplace_back(text.substr(start, cut - start));
    start = cut + 1;
  }
  if (start < text.size()) pieces->emplace_back(text.substr(start));
  return pieces->size();
}

bool IsDriveRootText(std::u16string_view text) { return IsDriveRoot(text); }

PathKind ClassifyPath(std::u16string_view text) {
  // Only absolute paths name a target ("/" itself is one), and drive roots
  // ("C:" on Windows).
  if (!IsAbsolutePath(text))
    return IsDriveRoot(text) ? PathKind::kPathDriveRoot : PathKind::kPathInvalid;
  EntryKind kind;
  uint64_t size = 0;
  if (LookUpPath(text, &kind, &size)) {
    switch (kind) {
      case EntryKind::kDirectory:
        return PathKind::kPathDirectory;
      case EntryKind::kRegularFile:
        return PathKind::kPathFile;
      case EntryKind::kOther:
        return PathKind::kPathInvalid;  // FIFOs, sockets and devices are never opened
    }
  }
  return IsDriveRootText(text) ? PathKind::kPathDriveRoot : PathKind::kPathInvalid;
}

int32_t StartPathScan(ScanCollection& collection, const WalkerBindings& bindings,
                      std::u16string_view targets) {
  ResetCollection(collection);
  std::vector<std::u16string> pieces;
  if (targets.find(kSeparator) == std::u16string_view::npos) {
    pieces.emplace_back(targets);
  } else {
    SplitPathList(targets, &pieces);
  }

  std::map<std::u16string, PathKind> target_map;  // ordinal order of UTF-16 code units
  std::u16string reference;
  for (std::u16string& piece : pieces) {
    const PathKind kind = ClassifyPath(piece);
    if (kind == PathKind::kPathInvalid) continue;
    if (kind != PathKind::kPathFile && !EndsWithSeparator(piece)) piece += kPathSeparator;
    target_map[piece] = kind;
    reference = piece;
  }
  if (target_map.empty()) return kPathScanNoTarget;

  uint64_t used = 0;
  if (!QueryUsedSpace(reference, &used)) return kPathScanNoSpace;
  collection.total_bytes = used;

  for (const auto& [path, kind] : target_map) {
    RegisterWalker(collection, path, WalkScope::kAllFilesystems, bindings);
  }
  StartRegisteredWalkers(collection);
  return kPathScanStarted;
}

}  // namespace dravanta
