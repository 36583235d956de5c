#include "platform/machine_identity.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(MachineIdentityTest, NamesAreReadable) {
  std::optional<std::string> host = QueryHostName();
  ASSERT_TRUE(host);
  EXPECT_FALSE(host->empty());
  std::optional<std::string> user = QueryEffectiveUserName();
  ASSERT_TRUE(user);
  EXPECT_FALSE(user->empty());
}

TEST(MachineIdentityTest, PropertiesAreStableAndSomethingIsKnown) {
  MachineProperties first = QueryMachineProperties();
  MachineProperties second = QueryMachineProperties();
  EXPECT_EQ(first.machine_id, second.machine_id);
  EXPECT_EQ(first.product_uuid, second.product_uuid);
  EXPECT_EQ(first.root_filesystem_id, second.root_filesystem_id);
  EXPECT_FALSE(first.machine_id.empty() && first.root_filesystem_id.empty());
  EXPECT_EQ(first.machine_id.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace dravanta
