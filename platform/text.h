// UTF-16 <-> UTF-8 conversion for texts and file names.
//
// Texts are UTF-16 inside the program; the operating system sees UTF-8.
// File names on POSIX are arbitrary bytes, so the conversion is lossless:
// a byte that is not part of a valid UTF-8 sequence becomes the lone low
// surrogate U+DC80..U+DCFF on the way in and that same byte on the way out.
#pragma once

#include <string>
#include <string_view>

namespace dravanta {

// Decodes UTF-8; every byte of an invalid sequence becomes U+DC00 + byte.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Encodes UTF-16 as UTF-8; a lone surrogate U+DC80..U+DCFF becomes its byte,
// any other lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Widens bytes one code unit per byte (0x00..0xFF), no decoding.
std::u16string WidenBytes(std::string_view bytes);

// Two bytes per code unit, the low byte first (UTF-16LE, no byte-order mark).
std::string Utf16LittleEndianBytes(std::u16string_view text);

// ASCII-only case folding; other code units are left as they are.
std::u16string AsciiLower(std::u16string_view text);

}  // namespace dravanta
