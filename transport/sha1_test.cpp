#include "transport/sha1.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <random>
#include <string>
#include <vector>

#include "transport/file_signature.h"

namespace dravanta {
namespace {

struct BlockFunctionCase {
  const char* name;
  Sha1BlockFunction function;
};

std::vector<BlockFunctionCase> AvailableBlockFunctions() {
  std::vector<BlockFunctionCase> cases = {{"portable", &Sha1BlocksPortable}};
  if (Sha1ShaExtensionsAvailable()) cases.push_back({"sha-extensions", &Sha1BlocksShaExtensions});
  return cases;
}

std::string Digest(Sha1BlockFunction function, const std::string& input) {
  Sha1Context context;
  Sha1Init(&context, function);
  Sha1Update(&context, input.data(), input.size());
  return DigestToHex(Sha1Final(&context));
}

TEST(Sha1Test, FipsVectorsWithEveryBlockFunction) {
  struct Vector {
    std::string input;
    const char* digest;
  };
  const Vector vectors[] = {
      {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
  };
  for (const BlockFunctionCase& block_function : AvailableBlockFunctions()) {
    for (const Vector& vector : vectors) {
      EXPECT_EQ(Digest(block_function.function, vector.input), vector.digest)
          << block_function.name << " on " << vector.input.size() << " bytes";
    }
  }
}

// Lengths around the padding boundaries (55, 56, 63, 64 bytes) are where a
// wrong final block shows.
TEST(Sha1Test, MatchesOpenSslOnRandomDataOfManyLengths) {
  std::mt19937 random(1234);
  std::vector<size_t> lengths = {1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 1000, 8000, 65537};
  for (int i = 0; i < 20; ++i) lengths.push_back(random() % 300000);
  for (size_t length : lengths) {
    std::string data(length, '\0');
    for (char& c : data) c = static_cast<char>(random());
    unsigned char expected[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(data.data()), data.size(), expected);
    Sha1Digest reference;
    std::copy(expected, expected + SHA_DIGEST_LENGTH, reference.begin());
    for (const BlockFunctionCase& block_function : AvailableBlockFunctions()) {
      EXPECT_EQ(Digest(block_function.function, data), DigestToHex(reference))
          << block_function.name << " on " << length << " bytes";
    }
  }
}

TEST(Sha1Test, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  std::mt19937 random(99);
  std::string data(100000, '\0');
  for (char& c : data) c = static_cast<char>(random());
  std::string whole = DigestToHex(Sha1(data.data(), data.size()));
  for (size_t piece : {1u, 7u, 63u, 64u, 65u, 4096u, 8000u}) {
    Sha1Context context;
    Sha1Init(&context);
    for (size_t offset = 0; offset < data.size(); offset += piece) {
      Sha1Update(&context, data.data() + offset, std::min(piece, data.size() - offset));
    }
    EXPECT_EQ(DigestToHex(Sha1Final(&context)), whole) << "pieces of " << piece;
  }
}

TEST(Sha1Test, DefaultIsTheFastestAvailable) {
  EXPECT_EQ(Sha1FastestBlockFunction(),
            Sha1ShaExtensionsAvailable() ? &Sha1BlocksShaExtensions : &Sha1BlocksPortable);
}

}  // namespace
}  // namespace dravanta
