#include "transport/client_identity.h"

#include "platform/text.h"
#include "transport/sha1.h"

namespace dravanta {

std::optional<std::u16string> ComputerName() {
  std::optional<std::string> host = QueryHostName();
  if (!host || host->empty()) return std::nullopt;
  return Utf8ToUtf16(*host);
}

std::optional<std::u16string> UserName() {
  constexpr size_t kLongestUserName = 256;
  std::optional<std::string> user = QueryEffectiveUserName();
  if (!user || user->empty()) return std::nullopt;
  std::u16string name = Utf8ToUtf16(*user);
  if (name.size() > kLongestUserName) return std::nullopt;
  return name;
}

std::u16string HardwareIdentifierFrom(const MachineProperties& properties) {
  // Field separators keep ("ab", "c") apart from ("a", "bc").
  std::string material = "machine-id=" + properties.machine_id + "\n" +
                         "product-uuid=" + properties.product_uuid + "\n" +
                         "root-filesystem=" + properties.root_filesystem_id + "\n";
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
