// Uploaded files on their way to the engines: each request body is written
// to its own temporary file (never held whole in memory) while its digests
// are computed, and the file is removed once the request is answered.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "tools/scan-server/engine.h"
#include "tools/scan-server/file_digest.h"

namespace dravanta::scan_server {

class SpoolFile {
 public:
  SpoolFile(std::filesystem::path path, bool* opened);
  ~SpoolFile();  // removes the file
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  bool Append(std::string_view bytes);
  std::uint64_t size() const { return size_; }
  // Flushes and closes the file; the result names it for the engines.
  bool Finish(ScannedFile* file);

 private:
  std::filesystem::path path_;
  std::ofstream out_;
  StreamingDigest digest_;
  std::uint64_t size_ = 0;
};

// A private folder (owner access only) under a parent folder, removed with
// everything in it when the spool ends.
class UploadSpool {
 public:
  static std::unique_ptr<UploadSpool> Create(const std::filesystem::path& parent,
                                             std::string* error);
  ~UploadSpool();
  UploadSpool(const UploadSpool&) = delete;
  UploadSpool& operator=(const UploadSpool&) = delete;

  // Null when the file cannot be created.
  std::unique_ptr<SpoolFile> NewFile();
  const std::filesystem::path& folder() const { return folder_; }

 private:
  explicit UploadSpool(std::filesystem::path folder) : folder_(std::move(folder)) {}
  std::filesystem::path folder_;
  std::atomic<std::uint64_t> next_number_{0};
};

}  // namespace dravanta::scan_server
