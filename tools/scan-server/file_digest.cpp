#include "tools/scan-server/file_digest.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace dravanta::scan_server {
namespace {

std::string UpperHex(const unsigned char* bytes, unsigned int length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xF];
  }
  return hex;
}

EVP_MD_CTX* NewContext(const EVP_MD* type) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  if (context == nullptr || EVP_DigestInit_ex(context, type, nullptr) != 1) {
    EVP_MD_CTX_free(context);
    throw std::runtime_error("cannot set up a message digest");
  }
  return context;
}

std::string FinishContext(EVP_MD_CTX* context) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  return UpperHex(digest, length);
}

}  // namespace

struct StreamingDigest::Contexts {
  using Context = std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)>;
  Context sha1{NewContext(EVP_sha1()), EVP_MD_CTX_free};
  Context md5{NewContext(EVP_md5()), EVP_MD_CTX_free};
};

StreamingDigest::StreamingDigest() : contexts_(std::make_unique<Contexts>()) {}
StreamingDigest::~StreamingDigest() = default;

void StreamingDigest::Update(std::string_view bytes) {
  EVP_DigestUpdate(contexts_->sha1.get(), bytes.data(), bytes.size());
  EVP_DigestUpdate(contexts_->md5.get(), bytes.data(), bytes.size());
}

Digests StreamingDigest::Finish() {
  return Digests{FinishContext(contexts_->sha1.get()), FinishContext(contexts_->md5.get())};
}

Digests DigestOf(std::string_view bytes) {
  StreamingDigest digest;
  digest.Update(bytes);
  return digest.Finish();
}

}  // namespace dravanta::scan_server
