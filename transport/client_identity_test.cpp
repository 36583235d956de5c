#include "transport/client_identity.h"

#include <gtest/gtest.h>

namespace dravanta {
namespace {

bool HasIdentifierForm(const std::u16string& identifier) {
  if (identifier.size() != 8) return false;
  for (char16_t c : identifier) {
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'))) return false;
  }
  return true;
}

TEST(ClientIdentityTest, HardwareIdentifierHasItsFormAndIsStable) {
  std::u16string identifier = HardwareIdentifier();
  EXPECT_TRUE(HasIdentifierForm(identifier));
  EXPECT_EQ(HardwareIdentifier(), identifier);
}

TEST(ClientIdentityTest, DifferentMachinesGiveDifferentIdentifiers) {
  MachineProperties a{"0123456789abcdef", "", "00000000000000aa"};
  MachineProperties b = a;
  b.machine_id = "0123456789abcdee";
  MachineProperties c = a;
  c.root_filesystem_id = "00000000000000ab";
  // Field boundaries matter: moving a character between fields changes it.
  MachineProperties d{"0123456789abcde", "f", "00000000000000aa"};
  EXPECT_TRUE(HasIdentifierForm(HardwareIdentifierFrom(a)));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(b));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(c));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(d));
  EXPECT_TRUE(HasIdentifierForm(HardwareIdentifierFrom({})));
}

TEST(ClientIdentityTest, NamesAreKnownOnThisMachine) {
  std::optional<std::u16string> computer = ComputerName();
  ASSERT_TRUE(computer);
  EXPECT_FALSE(computer->empty());
  std::optional<std::u16string> user = UserName();
  ASSERT_TRUE(user);
  EXPECT_LE(user->size(), 256u);
}

}  // namespace
}  // namespace dravanta
