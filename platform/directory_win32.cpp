#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "internal/extended_path_win32.h"
#include "internal/wide_win32.h"
#include "platform/directory.h"
#include "platform/path_separator.h"

namespace dravanta {

// An open folder: its handle (held without delete sharing, so that it
// cannot be renamed, removed or replaced while it is open), the "\\?\" path
// it was opened by and, while it is listed, the search.
struct FolderState {
  HANDLE folder = INVALID_HANDLE_VALUE;
  std::u16string path;  // "\\?\" form, no trailing separator
  // Anchors: the folder's path on its volume as the system gives it (empty
  // when it gives none), which every folder opened below must extend.
  std::u16string volume_path;
  HANDLE search = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW found = {};
  bool found_pending = false;  // `found` holds the first entry, not yet handed out
  std::u16string name;
  uint64_t device = 0;  // anchors: the volume serial number
  ~FolderState() {
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
  }
};

void FolderStateDeleter::operator()(FolderState* state) const { delete state; }

namespace {

constexpr DWORD kFolderSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A reparse point that stands for another file or folder (a junction, a
// symbolic link, a mount point): a link, never followed. Other reparse
// points (deduplicated or cloud files) hold their own data. Tag 0 is what
// a listing that does not report tags gives: taken as a link, to be safe.
bool IsLink(DWORD attributes, DWORD reparse_tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  return reparse_tag == 0 || IsReparseTagNameSurrogate(reparse_tag);
}

std::u16string WithoutTrailingSeparators(std::u16string path) {
  // "\\?\C:\" keeps its separator: "\\?\C:" is not the root folder.
  while (path.size() > 1 && IsPathSeparator(path.back()) && path[path.size() - 2] != u':') {
    path.pop_back();
  }
  return path;
}

// The path of the open folder on its volume ("\a\b"), as the system
// resolved it, or empty.
std::u16string VolumePathOf(HANDLE folder) {
  constexpr size_t kLongestPath = 32768;
  std::vector<char> buffer(sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(wchar_t));
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    if (GetFileInformationByHandleEx(folder, FileNameInfo, info,
                                     static_cast<DWORD>(buffer.size()))) {
      return WithoutTrailingSeparators(
          FromWide(info->FileName, info->FileNameLength / sizeof(wchar_t)));
    }
    if (GetLastError() != ERROR_MORE_DATA) return {};
    buffer.resize(sizeof(FILE_NAME_INFO) + kLongestPath * sizeof(wchar_t));
  }
  return {};
}

// The folder's own path as the system resolves it ("\\?\C:\a\b"), or empty.
std::u16string FinalPathOf(HANDLE file) {
  constexpr DWORD kLongestPath = 32768;
  std::u16string path(MAX_PATH, u'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD n = GetFinalPathNameByHandleW(file, WideOf(path), static_cast<DWORD>(path.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n > 0 && n < path.size()) {
      path.resize(n);
      return WithoutTrailingSeparators(std::move(path));
    }
    // Windows answers a short buffer with the size it needs; Wine with
    // ERROR_MORE_DATA alone, so then the longest there is.
    if (n == 0 && GetLastError() != ERROR_MORE_DATA) return {};
    if (path.size() >= kLongestPath) return {};
    path.resize(n > path.size() ? n + 1 : kLongestPath);
  }
  return {};
}

std::u16string JoinPath(const std::u16string& folder, const std::u16string& names) {
  return IsPathSeparator(folder.back()) ? folder + names : folder + u'\\' + names;
}

bool SamePath(const std::u16string& a, const std::u16string& b) {
  return CompareStringOrdinal(WideOf(a), static_cast<int>(a.size()), WideOf(b),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Opens the folder at `path` ("\\?\" form) and starts its listing. With
// `refuse_link` a folder that is itself a link is not opened.
bool OpenFolder(std::u16string path, bool refuse_link, FolderStatePointer* state,
                uint64_t* device) {
  state->reset();
  if (path.empty()) return false;
  FolderStatePointer opened(new FolderState);
  opened->path = WithoutTrailingSeparators(std::move(path));
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (refuse_link ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  opened->folder = CreateFileW(WideOf(opened->path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                               kFolderSharing, nullptr, OPEN_EXISTING, flags, nullptr);
  if (opened->folder == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(opened->folder, &info)) return false;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  if (refuse_link && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(opened->folder, FileAttributeTagInfo, &tag, sizeof(tag)) ||
        IsLink(tag.FileAttributes, tag.ReparseTag)) {
      return false;
    }
  }
  std::u16string pattern = opened->path;
  if (!IsPathSeparator(pattern.back())) pattern += u'\\';
  pattern += u'*';
  opened->search = FindFirstFileExW(WideOf(pattern), FindExInfoBasic, &opened->found,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (opened->search == INVALID_HANDLE_VALUE) {
    // A drive root has no "." entry: an empty one lists nothing at all.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  } else {
    opened->found_pending = true;
  }
  *device = info.dwVolumeSerialNumber;
  *state = std::move(opened);
  return true;
}

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

bool DirectoryReader::Open(std::u16string_view path, FinalLink final_link) {
  return OpenFolder(ExtendedLengthPath(path), final_link == FinalLink::kDoNotFollow, &state_,
                    &device_);
}

bool DirectoryReader::OpenBelow(const FolderAnchor& anchor, std::u16string_view relative) {
  state_.reset();
  if (!anchor.valid()) return false;
  while (!relative.empty() && IsPathSeparator(relative.back())) relative.remove_suffix(1);
  if (relative.empty()) return false;
  std::u16string names;  // "\" between the names, as the "\\?\" form needs
  names.reserve(relative.size());
  for (const char16_t c : relative) names += IsPathSeparator(c) ? u'\\' : c;
  const FolderState& root = *anchor.state_;
  if (!OpenFolder(JoinPath(root.path, names), true, &state_, &device_)) return false;
  // The folder itself is no link; a folder on the way that became one
  // since it was listed shows in the path the system resolved.
  if (!root.volume_path.empty() &&
      (device_ != root.device ||
       !SamePath(VolumePathOf(state_->folder), JoinPath(root.volume_path, names)))) {
    state_.reset();
    return false;
  }
  return true;
}

bool DirectoryReader::KeepAsAnchor(FolderAnchor* anchor) const {
  if (state_ == nullptr) return false;
  FolderStatePointer kept(new FolderState);
  const HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, state_->folder, self, &kept->folder, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return false;
  }
  kept->path = state_->path;
  kept->volume_path = VolumePathOf(kept->folder);
  kept->device = device_;
  anchor->state_ = std::move(kept);
  return true;
}

bool DirectoryReader::OnPseudoFilesystem() const { return false; }

bool DirectoryReader::Next(DirectoryEntry* entry) {
  if (state_ == nullptr || state_->search == INVALID_HANDLE_VALUE) return false;
  FolderState& state = *state_;
  for (;;) {
    if (state.found_pending) {
      state.found_pending = false;
    } else if (!FindNextFileW(state.search, &state.found)) {
      return false;
    }
    const WIN32_FIND_DATAW& found = state.found;
    if (IsDotOrDotDot(found.cFileName)) continue;
    state.name = FromWide(found.cFileName, std::wcslen(found.cFileName));
    entry->name = state.name;
    entry->size = 0;
    if (IsLink(found.dwFileAttributes, found.dwReserved0)) {
      entry->kind = EntryKind::kOther;
    } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      entry->kind = EntryKind::kDirectory;
    } else {
      entry->kind = EntryKind::kRegularFile;
      entry->size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    }
    return true;
  }
}

bool LookUpPath(std::u16string_view path_text, EntryKind* kind, uint64_t* size) {
  const std::u16string path = ExtendedLengthPath(path_text);
  if (path.empty()) return false;
  // Opened for its attributes only, which any sharing allows; links lead
  // to their targets.
  const HANDLE file = CreateFileW(WideOf(path), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool examined = GetFileInformationByHandle(file, &info) != 0;
  const bool on_disk = GetFileType(file) == FILE_TYPE_DISK;  // not a device such as NUL
  CloseHandle(file);
  if (!examined) return false;
  if (!on_disk) {
    *kind = EntryKind::kOther;
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *kind = EntryKind::kDirectory;
  } else {
    *kind = EntryKind::kRegularFile;
  }
  *size = *kind == EntryKind::kRegularFile
              ? (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow
              : 0;
  return true;
}

std::u16string FollowFinalLink(std::u16string_view path_text) {
  const std::u16string path = ExtendedLengthPath(path_text);
  const DWORD attributes =
      path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WideOf(path));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return std::u16string(path_text);
  }
  const HANDLE file = CreateFileW(WideOf(path), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::u16string target = FinalPathOf(file);
  CloseHandle(file);
  return target;
}

}  // namespace dravanta
