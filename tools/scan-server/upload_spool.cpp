#include "tools/scan-server/upload_spool.h"

#include <random>

namespace dravanta::scan_server {

SpoolFile::SpoolFile(std::filesystem::path path, bool* opened) : path_(std::move(path)) {
  out_.open(path_, std::ios::binary | std::ios::trunc);
  *opened = out_.is_open();
}

SpoolFile::~SpoolFile() {
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

bool SpoolFile::Append(std::string_view bytes) {
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  digest_.Update(bytes);
  size_ += bytes.size();
  return static_cast<bool>(out_);
}

bool SpoolFile::Finish(ScannedFile* file) {
  out_.close();
  if (out_.fail()) return false;
  Digests digests = digest_.Finish();
  file->path = path_;
  file->sha1 = std::move(digests.sha1);
  file->md5 = std::move(digests.md5);
  file->size = size_;
  return true;
}

std::unique_ptr<UploadSpool> UploadSpool::Create(const std::filesystem::path& parent,
                                                 std::string* error) {
  std::random_device random;
  std::error_code failure;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path folder = parent / ("scan-server-" + std::to_string(random()));
    // create_directory is atomic: false means someone else owns that name.
    if (std::filesystem::create_directory(folder, failure)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, failure);
      return std::unique_ptr<UploadSpool>(new UploadSpool(folder));
    }
    if (failure) break;
  }
  *error = "cannot create a temporary folder in " + parent.string() +
           (failure ? ": " + failure.message() : "");
  return nullptr;
}

UploadSpool::~UploadSpool() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::unique_ptr<SpoolFile> UploadSpool::NewFile() {
  std::uint64_t number = next_number_.fetch_add(1);
  bool opened = false;
  auto file = std::make_unique<SpoolFile>(folder_ / ("upload-" + std::to_string(number)), &opened);
  return opened ? std::move(file) : nullptr;
}

}  // namespace dravanta::scan_server
