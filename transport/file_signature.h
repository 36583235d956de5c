// File signatures: the SHA-1 digest of a file's whole contents as 40
// upper-case hexadecimal digits.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "transport/sha1.h"

namespace dravanta {

// The signature of the file at a UTF-16 path, or nothing when the file
// cannot be opened or read.
std::optional<std::string> FileSignature(std::u16string_view path);

// Same, for a UTF-8 (raw byte) path.
std::optional<std::string> FileSignatureOfPath(std::string_view path);

// The digest as 40 upper-case hexadecimal digits.
std::string DigestToHex(const Sha1Digest& digest);

// What stands in a signature list for a file whose signature failed.
inline constexpr std::string_view AllZeroSignature = "0000000000000000000000000000000000000000";

}  // namespace dravanta
