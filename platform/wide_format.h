// A printf-style formatter for UTF-16 format texts with typed values, after
// the rules of the Windows wvsprintfW function that the log's format texts
// were written for:
//   %s %ls %hs  a UTF-16 text (precision = at most that many code units)
//   %d %i       a signed integer        %u  an unsigned integer
//   %x %X       hexadecimal, lower/upper case ("#" puts 0x / 0X in front)
//   %c          one UTF-16 code unit     %%  a percent sign
// with the flags "-" (left-justify) and "0" (pad with zeros), a width and a
// precision. No floating point. The result holds at most 1024 code units.
//
// Because the values are typed, a wrong or missing value cannot read beyond
// the arguments: a conversion with no value left writes nothing, and a value
// of the other kind is written as what it is (a number in decimal, a text as
// it stands). A value keeps its own width: a 32-bit value in %x of a negative
// number gives 8 digits, a 64-bit one 16 digits. Anything else after "%" is
// copied as written.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace dravanta {

constexpr size_t kWideFormatLimit = 1024;

// One value for a conversion. Texts are viewed, not copied: the value must
// outlive the formatting call (temporaries in the call expression do).
class FormatArg {
 public:
  template <std::integral T>
  FormatArg(T value)  // NOLINT: implicit on purpose, values are written inline
      : kind_(Kind::kInteger),
        bits_(static_cast<uint64_t>(value)),
        is_signed_(std::is_signed_v<T>),
        is_64_bit_(sizeof(T) > 4) {}
  FormatArg(std::u16string_view text) : kind_(Kind::kText), text_(text) {}         // NOLINT
  FormatArg(const std::u16string& text) : FormatArg(std::u16string_view(text)) {}  // NOLINT
  FormatArg(const char16_t* text)                                                  // NOLINT
      : kind_(Kind::kText), text_(text == nullptr ? u"(null)" : text) {}

  bool is_text() const { return kind_ == Kind::kText; }
  std::u16string_view text() const { return text_; }
  uint64_t bits() const { return bits_; }
  bool is_signed() const { return is_signed_; }
  bool is_64_bit() const { return is_64_bit_; }

 private:
  enum class Kind { kInteger, kText };
  Kind kind_;
  uint64_t bits_ = 0;
  bool is_signed_ = false;
  bool is_64_bit_ = false;
  std::u16string_view text_;
};

// Formats `format` with `args` in order.
std::u16string FormatWideList(std::u16string_view format, std::span<const FormatArg> args);

// The same with the values written inline: FormatWide(u"%s: %d", name, 5).
template <typename... Args>
std::u16string FormatWide(std::u16string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatWideList(format, {});
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    return FormatWideList(format, list);
  }
}

}  // namespace dravanta
