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
  using Properties = std::vector<MachineProperty>;
  const auto properties = [](std::string machine_id, std::string product_uuid,
                             std::string root_filesystem_id) {
    return Properties{{"machine-id", std::move(machine_id)},
                      {"product-uuid", std::move(product_uuid)},
                      {"root-filesystem", std::move(root_filesystem_id)}};
  };
  Properties a = properties("0123456789abcdef", "", "00000000000000aa");
  Properties b = a;
  b[0].value = "0123456789abcdee";
  Properties c = a;
  c[2].value = "00000000000000ab";
  // Field boundaries matter: moving a character between fields changes it.
  Properties d = properties("0123456789abcde", "f", "00000000000000aa");
  // So do the names: the same value under another property is another machine.
  Properties e = a;
  e[0].name = "system-uuid";
  EXPECT_TRUE(HasIdentifierForm(HardwareIdentifierFrom(a)));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(b));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(c));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(d));
  EXPECT_NE(HardwareIdentifierFrom(a), HardwareIdentifierFrom(e));
  // The derivation is fixed: identifiers sent before stay the same.
  EXPECT_EQ(HardwareIdentifierFrom(a),
            HardwareIdentifierFrom(properties("0123456789abcdef", "", "00000000000000aa")));
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
