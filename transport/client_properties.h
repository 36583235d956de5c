// Process-wide client properties: UTF-16 names to UTF-16 text values.
// The only property so far is "total_av", the servers' engine count.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravanta {

inline constexpr std::u16string_view EngineCountProperty = u"total_av";

// Stores value as decimal text under name, replacing an earlier value.
void SetProperty(std::u16string_view name, std::int64_t value);

// Non-empty name: its value into *value and true, or false (untouched) when
// unknown. Empty name: every property name in name order joined by "|".
bool GetProperty(std::u16string_view name, std::u16string* value);

// Copies "total_av" (empty when unset) with its terminating zero into buffer,
// which holds 100 code units, and returns 0; returns 1 and writes nothing
// when buffer is null or the value has 100 characters or more.
std::uint32_t GetEngineCount(char16_t* buffer);

// Removes every property. For tests.
void ClearProperties();

}  // namespace dravanta
