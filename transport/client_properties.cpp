#include "transport/client_properties.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace dravanta {
namespace {

struct Properties {
  std::mutex lock;
  std::map<std::u16string, std::u16string, std::less<>> values;
};

Properties& Global() {
  static Properties* properties = new Properties;  // lives until process end
  return *properties;
}

}  // namespace

void SetProperty(std::u16string_view name, std::int64_t value) {
  std::string digits = std::to_string(value);
  Properties& properties = Global();
  std::lock_guard guard(properties.lock);
  properties.values[std::u16string(name)] = std::u16string(digits.begin(), digits.end());
}

bool GetProperty(std::u16string_view name, std::u16string* value) {
  Properties& properties = Global();
  std::lock_guard guard(properties.lock);
  if (name.empty()) {
    std::u16string names;
    for (const auto& [key, unused] : properties.values) {
      if (!names.empty()) names += u'|';
      names += key;
    }
    *value = names;
    return true;
  }
  auto found = properties.values.find(name);
  if (found == properties.values.end()) return false;
  *value = found->second;
  return true;
}

std::uint32_t GetEngineCount(char16_t* buffer) {
  constexpr size_t kBufferUnits = 100;
  std::u16string count;
  GetProperty(EngineCountProperty, &count);  // missing counts as empty
  if (buffer == nullptr || count.size() >= kBufferUnits) return 1;
  std::copy(count.begin(), count.end(), buffer);
  buffer[count.size()] = u'\0';
  return 0;
}

void ClearProperties() {
  Properties& properties = Global();
  std::lock_guard guard(properties.lock);
  properties.values.clear();
}

}  // namespace dravanta
