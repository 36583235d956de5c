#include <windows.h>

#include <climits>

#include "internal/wide_win32.h"
#include "platform/text.h"
#include "platform/text_file_encoding.h"

namespace dravanta {

std::string LogFileBytes(std::u16string_view text) { return Utf16LittleEndianBytes(text); }

std::string ReportFileBytes(std::u16string_view text) {
  std::string bytes;
  // Pieces that the call's int lengths can carry; a code page of the ANSI
  // kind has no characters that span two of them.
  constexpr size_t kPiece = INT_MAX / 4;
  while (!text.empty()) {
    const std::u16string_view piece = text.substr(0, kPiece);
    const auto* wide = reinterpret_cast<const wchar_t*>(piece.data());
    const int length = static_cast<int>(piece.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) break;
    const size_t at = bytes.size();
    bytes.resize(at + static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, wide, length, bytes.data() + at, size, nullptr, nullptr);
    text.remove_prefix(piece.size());
  }
  return bytes;
}

}  // namespace dravanta
