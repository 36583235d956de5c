#include "platform/registry_store.h"

#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/registry_text.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace dravanta {
namespace {

// Writers of this process take turns, so two status changes at once cannot
// lose one another's value.
std::mutex& StoreLock() {
  static std::mutex lock;
  return lock;
}

std::string ReadContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::u16string MachineRegistryStore() {
  const std::u16string machine = u"/var/lib/dravanta-client";
  if (IsWritableFolder(machine) || (IsWritableFolder(u"/var/lib") && CreateFolders(machine))) {
    return machine + u"/registry.ini";
  }
  return UserStateFolder() + u"/dravanta-client/registry.ini";
}

bool WriteRegistryDword(const std::u16string& store, std::u16string_view key,
                        std::u16string_view name, uint32_t value) {
  const std::string path = Utf16ToUtf8(store);
  std::lock_guard<std::mutex> hold(StoreLock());
  if (!CanStoreInRegistryText(key, name)) return false;
  const std::string folder = FolderOf(path);
  if (!folder.empty() && !CreateFolders(Utf8ToUtf16(folder))) return false;
  std::string content;
  if (!SetRegistryDwordInText(ReadContent(path), key, name, value, &content)) return false;
  return ReplaceFileAtomically(path, content);
}

bool ReadRegistryDword(const std::u16string& store, std::u16string_view key,
                       std::u16string_view name, uint32_t* value) {
  std::lock_guard<std::mutex> hold(StoreLock());
  return ReadRegistryDwordFromText(ReadContent(Utf16ToUtf8(store)), key, name, value);
}

}  // namespace dravanta
