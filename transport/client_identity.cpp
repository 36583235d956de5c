#include "transport/client_identity.h"

#include "transport/sha1.h"

namespace dravanta {

std::optional<std::u16string> ComputerName() {
  std::optional<std::u16string> host = QueryHostName();
  if (!host || host->empty()) return std::nullopt;
  return host;
}

std::optional<std::u16string> UserName() {
  constexpr size_t kLongestUserName = 256;
  std::optional<std::u16string> user = QueryUserName();
  if (!user || user->empty() || user->size() > kLongestUserName) return std::nullopt;
  return user;
}

std::u16string HardwareIdentifierFrom(const std::vector<MachineProperty>& properties) {
  // Field separators keep ("ab", "c") apart from ("a", "bc").
  std::string material;
  for (const MachineProperty& property : properties) {
    material += property.name + "=" + property.value + "\n";
  }
  Sha1Digest digest = Sha1(material.data(), material.size());
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | digest[i];
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::u16string identifier(8, u'0');
  for (int i = 7; i >= 0; --i) {
    identifier[i] = static_cast<char16_t>(kDigits[value % 36]);
    value /= 36;
  }
  return identifier;
}

std::u16string HardwareIdentifier() { return HardwareIdentifierFrom(QueryMachineProperties()); }

}  // namespace dravanta
