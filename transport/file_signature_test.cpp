#include "transport/file_signature.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text.h"
#include "tests/support/file_access_user.h"
#include "tests/support/hostile_tree.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

class FileSignatureTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = scratch_.root(); }

  std::string Write(const std::string& name, const std::string& contents) {
    std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }

  ScratchTree scratch_;  // removed after the members below
  std::filesystem::path folder_;
};

TEST_F(FileSignatureTest, EmptyFileHasTheDigestOfEmptyInput) {
  EXPECT_EQ(FileSignatureOfPath(Write("empty", "")), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

// Sizes on both sides of the block, of the one-read buffer of a small file
// and of the largest piece, so that every way a read can end is taken.
TEST_F(FileSignatureTest, EverySizeMatchesOpenSsl) {
  const size_t mib = 1024 * 1024;
  const size_t sizes[] = {1,    63,    64,      65,  127,     128,      129,
                          4095, 16384, mib - 1, mib, mib + 1, mib + 64, 3 * mib + 12345};
  std::mt19937 random(7);
  for (size_t size : sizes) {
    std::string contents(size, '\0');
    for (char& c : contents) c = static_cast<char>(random());
    unsigned char expected[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(contents.data()), contents.size(), expected);
    Sha1Digest reference;
    std::copy(expected, expected + SHA_DIGEST_LENGTH, reference.begin());
    std::optional<std::string> signature =
        FileSignatureOfPath(Write("file" + std::to_string(size), contents));
    ASSERT_TRUE(signature) << size;
    EXPECT_EQ(*signature, DigestToHex(reference)) << size;
    EXPECT_EQ(signature->find_first_not_of("0123456789ABCDEF"), std::string::npos);
  }
}

TEST_F(FileSignatureTest, UnreadablePathsHaveNoSignature) {
  EXPECT_FALSE(FileSignatureOfPath((folder_ / "missing").string()));
  EXPECT_FALSE(FileSignatureOfPath(folder_.string()));  // a folder
}

// Names that are not valid UTF-8 reach the file through the lossless
// UTF-16 form.
TEST_F(FileSignatureTest, NonUtf8NameIsFoundThroughItsUtf16Form) {
  std::string path = Write(std::string("bad\xff\xfe-name"), "abc");
  EXPECT_EQ(FileSignature(Utf8ToUtf16(path)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}

std::string ReferenceSignature(const std::string& contents) {
  unsigned char expected[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(contents.data()), contents.size(), expected);
  Sha1Digest digest;
  std::copy(expected, expected + SHA_DIGEST_LENGTH, digest.begin());
  return DigestToHex(digest);
}

// The hostile-files fixture, once changed as during a walk: what can be
// read is hashed as it is now (any path length, any bytes in the name),
// what cannot gives no signature at once (nothing blocks on a FIFO).
TEST(FileSignatureHostileTest, EachCaseHasTheSignatureOfWhatItHoldsOrNone) {
  ScratchTree tree;
  const std::vector<HostileCase> cases = BuildHostileTree(tree);
  ChangeHostileTree(tree);
  ScopedFileAccessAsUser access;
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.kept_out_by_the_walk) continue;  // a signature reads any path it is given
    size_t checked = 0;
    for (const HostileFile& file : c.files) {
      if (file.settlement == Settlement::kTooLarge) continue;  // sparse; hashed like any file
      if (++checked > 10) break;  // the wide folder: a few of its entries are enough
      Settlement settlement = file.settlement;
      if (c.needs_permissions && !access.permissions_apply()) settlement = Settlement::kScanned;
      const std::optional<std::string> signature = FileSignature(Utf8ToUtf16(file.path));
      if (settlement == Settlement::kScanned) {
        EXPECT_EQ(signature, ReferenceSignature(file.content)) << file.path.substr(0, 200);
      } else {
        EXPECT_FALSE(signature) << file.path.substr(0, 200);
      }
    }
  }
}

}  // namespace
}  // namespace dravanta
