// ScratchTree on Windows: paths are UTF-8 with "\" separators (a relative
// path given with "/" is turned round), made under the temporary folder.
// Everything is done through the "\\?\" form, so chains deeper than
// MAX_PATH can be made and removed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/random_token.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "ScratchTree: %s %s: error %lu\n", what, path.c_str(), GetLastError());
  std::abort();
}

// The wide "\\?\" form of an absolute UTF-8 path.
std::wstring Wide(const std::string& path) {
  std::u16string text = Utf8ToUtf16(path);
  for (char16_t& c : text) {
    if (c == u'/') c = u'\\';
  }
  if (text.rfind(u"\\\\?\\", 0) != 0) text = u"\\\\?\\" + text;
  return std::wstring(text.begin(), text.end());
}

std::string Native(std::string_view relative) {
  std::string text(relative);
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

bool WriteBytes(const std::string& path, std::string_view bytes, DWORD disposition) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool RemoveWide(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  // A link to a folder is removed as a folder, never entered.
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!folder) return DeleteFileW(path.c_str()) != 0;
  bool ok = true;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") ok = RemoveWide(path + L"\\" + name) && ok;
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  return RemoveDirectoryW(path.c_str()) != 0 && ok;
}

}  // namespace

ScratchTree::ScratchTree() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) Fail("GetTempPathW", "");
  std::u16string folder(reinterpret_cast<const char16_t*>(temp), n);
  if (folder.back() == u'\\') folder.pop_back();
  root_ = Utf16ToUtf8(folder) + "\\dravanta-tree-" + RandomHexToken(8);
  if (!CreateFolder(root_)) Fail("create", root_);
}

ScratchTree::~ScratchTree() { RemoveTree(root_); }

std::string ScratchTree::PathOf(std::string_view relative) const {
  std::string path = root_;
  if (!relative.empty()) path.append("\\").append(Native(relative));
  return path;
}

void ScratchTree::AddFolder(std::string_view relative) {
  const std::string path = PathOf(relative);
  if (!CreateFolder(path)) Fail("create folder", path);
}

std::string ScratchTree::WriteFile(std::string_view relative, std::string_view content) {
  const std::string path = PathOf(relative);
  if (!WriteBytes(path, content, CREATE_ALWAYS)) Fail("write", path);
  return path;
}

void ScratchTree::AddFile(std::string_view relative, uint64_t size) {
  const std::string path = PathOf(relative);
  if (!CreateSizedFile(path, size)) Fail("create", path);
}

void ScratchTree::AddEmptyFiles(std::string_view relative, std::string_view prefix, int count) {
  const std::string folder = PathOf(relative);
  std::string first;
  for (int i = 0; i < count; ++i) {
    const std::string path = folder + "\\" + std::string(prefix) + std::to_string(i);
    if (i == 0) {
      if (!WriteBytes(path, "", CREATE_NEW)) Fail("create", path);
      first = path;
    } else if (!CreateHardLinkW(Wide(path).c_str(), Wide(first).c_str(), nullptr) &&
               !WriteBytes(path, "", CREATE_NEW)) {
      Fail("create", path);
    }
  }
}

void ScratchTree::AddSymlink(std::string_view relative, std::string_view target) {
  const std::string path = PathOf(relative);
  const std::u16string to = Utf8ToUtf16(Native(target));
  const std::wstring wide_target(to.begin(), to.end());
  const DWORD attributes = GetFileAttributesW(Wide(PathOf(target)).c_str());
  DWORD flags = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  }
  if (!CreateSymbolicLinkW(Wide(path).c_str(), wide_target.c_str(), flags)) {
    Fail("symlink", path);
  }
}

void ScratchTree::AddFifo(std::string_view relative) {
  Fail("no FIFOs on Windows:", PathOf(relative));
}

void ScratchTree::AddSocket(std::string_view relative) {
  Fail("no socket files on Windows:", PathOf(relative));
}

std::string ScratchTree::AddFolderChain(std::string_view relative, std::string_view component,
                                        int depth, std::string_view file_name,
                                        std::string_view content) {
  std::string path = PathOf(relative);
  for (int level = 0; level < depth; ++level) {
    path.append("\\").append(component);
    if (!CreateFolder(path)) Fail("create folder", path);
    if (!WriteBytes(path + "\\" + std::string(file_name), content, CREATE_ALWAYS)) {
      Fail("write", path);
    }
  }
  return path;
}

// Windows files have no POSIX modes: only "no write bit" has a meaning
// (read-only); a test that needs an unreadable file checks
// IgnoresFilePermissions first.
void ScratchTree::SetMode(std::string_view relative, unsigned mode) {
  const std::string path = PathOf(relative);
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail("attributes of", path);
  const DWORD read_only = (mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : 0;
  if (!SetFileAttributesW(wide.c_str(), (attributes & ~FILE_ATTRIBUTE_READONLY) | read_only)) {
    Fail("set attributes of", path);
  }
}

void ScratchTree::Remove(std::string_view relative) {
  const std::string path = PathOf(relative);
  if (!RemoveTree(path)) Fail("remove", path);
}

bool CreateFolder(const std::string& path) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool CreateSizedFile(const std::string& path, uint64_t size) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return sized;
}

// Permission bits cannot make a file unreadable here: tests of unreadable
// files skip themselves as they do for root on POSIX.
bool IgnoresFilePermissions() { return true; }

bool RemoveTree(const std::string& path) { return RemoveWide(Wide(path)); }

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  WriteBytes(path, bytes, CREATE_ALWAYS);
}

std::string ReadWholeFile(const std::string& path) {
  const HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);
  return bytes;
}

}  // namespace dravanta
