// SHA-1 and MD5 of a byte stream, computed piece by piece as it arrives.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace dravanta::scan_server {

struct Digests {
  std::string sha1;  // upper-case hexadecimal
  std::string md5;
};

class StreamingDigest {
 public:
  StreamingDigest();
  ~StreamingDigest();
  StreamingDigest(const StreamingDigest&) = delete;
  StreamingDigest& operator=(const StreamingDigest&) = delete;

  void Update(std::string_view bytes);
  // Ends the stream; Update must not be called afterwards.
  Digests Finish();

 private:
  struct Contexts;
  std::unique_ptr<Contexts> contexts_;
};

// Digests of a whole text, for tests and hash lists.
Digests DigestOf(std::string_view bytes);

}  // namespace dravanta::scan_server
