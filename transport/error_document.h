// The client's own XML error documents and the finishing of a response.
#pragma once

#include <string>
#include <string_view>

#include "transport/server_client.h"

namespace dravanta {

inline constexpr std::string_view ErrorDocumentStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>";
inline constexpr std::string_view ErrorDocumentEnd = "</error>";

// ErrorDocumentStart + message + ErrorDocumentEnd. The document is limited
// to 511 bytes, as formatted into a 512-byte buffer; a longer one becomes
// the empty text.
std::string MakeErrorDocument(std::string_view message);

// printf-style formatting of one message (at most 511 bytes are kept).
std::string FormatMessageText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Turns the raw answer (final response headers, then the body) into the
// result text and returns its code: a status of 300 or more, or a text that
// cannot be read as a response, becomes an error document; any text holding
// "<error>" fails; otherwise the headers are removed and only the body
// (empty when the response has none) is kept.
TransportCode FinishResponse(std::string* text);

}  // namespace dravanta
