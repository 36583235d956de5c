// UTF-16 texts at the Windows API: wchar_t is 16 bits there, so a
// std::u16string is handed over and taken back without conversion.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace dravanta {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");

inline const wchar_t* WideOf(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline wchar_t* WideOf(std::u16string& text) { return reinterpret_cast<wchar_t*>(text.data()); }

inline std::u16string FromWide(const wchar_t* text, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace dravanta
