#include "platform/machine_identity.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(MachineIdentityTest, NamesAreReadable) {
  std::optional<std::u16string> host = QueryHostName();
  ASSERT_TRUE(host);
  EXPECT_FALSE(host->empty());
  std::optional<std::u16string> user = QueryUserName();
  ASSERT_TRUE(user);
  EXPECT_FALSE(user->empty());
}

TEST(MachineIdentityTest, PropertiesAreStableAndSomethingIsKnown) {
  const std::vector<MachineProperty> first = QueryMachineProperties();
  const std::vector<MachineProperty> second = QueryMachineProperties();
  ASSERT_EQ(first.size(), 3u);
  ASSERT_EQ(second.size(), 3u);
  const char* const names[] = {"machine-id", "product-uuid", "root-filesystem"};
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].name, names[i]);
    EXPECT_EQ(first[i].value, second[i].value) << names[i];
  }
  EXPECT_FALSE(first[0].value.empty() && first[2].value.empty());
  EXPECT_EQ(first[0].value.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace dravanta
