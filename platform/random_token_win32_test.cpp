#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/random_token.h"

namespace dravanta {
namespace {

TEST(RandomTokenWin32Test, TokensAreLowerHexOfTheAskedLength) {
  for (size_t bytes : {size_t{0}, size_t{1}, size_t{16}, size_t{33}}) {
    const std::string token = RandomHexToken(bytes);
    EXPECT_EQ(token.size(), bytes * 2);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
  }
}

TEST(RandomTokenWin32Test, TokensDifferAndUseEveryDigit) {
  std::set<std::string> tokens;
  std::set<char> digits;
  for (int i = 0; i < 64; ++i) {
    const std::string token = RandomHexToken(16);
    tokens.insert(token);
    digits.insert(token.begin(), token.end());
  }
  EXPECT_EQ(tokens.size(), 64u);
  // 2048 digits drawn: a missing one means a broken source, not bad luck.
  EXPECT_EQ(digits.size(), 16u);
}

}  // namespace
}  // namespace dravanta
