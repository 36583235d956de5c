// One HTTP exchange with one server: every server method goes through it.
//
// Each exchange uses its own libcurl handle and connection and closes both
// when it ends; name resolutions and TLS sessions are kept for later
// exchanges (transport/transport_share.h). The result is a transport code
// and a text: the response body or an XML error document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/server_client.h"

namespace dravanta {

struct ServerRequest {
  std::string method;               // "scan", "scanmultiple", "getengineinfo"
  std::string verb;                 // "GET" or "POST"
  std::optional<std::string> data;  // file path, or "|"-joined signatures
  std::uint64_t data_length = 0;    // body length (file size for an upload)
  std::optional<std::string> type;  // "file", "signature", or none
  std::string server_url;
};

struct ExchangeResult {
  TransportCode code = TransportOk;
  std::string text;
};

ExchangeResult PerformRequest(const ServerRequest& request);

// The most an answer (header block and body together) may hold. Answers are
// the verdict documents of one batch; a peer that sends more is cut off at
// this size and the exchange fails with "out of memory while receiving
// response", as when the answer cannot be allocated.
inline constexpr std::size_t MaxAnswerBytes = std::size_t{64} << 20;

// The identity headers of every request, in the order they are sent, each
// only when its option has a value: "X-API-Key: ", "X-Custom-Key: ",
// "X-Hardware-ID: ". Line breaks in the values are dropped.
std::vector<std::string> IdentityHeaderLines();

// Limits of an exchange. The defaults: 60 s to connect; a transfer that
// moves less than 1 byte per second for 300 s is abandoned.
struct ExchangeTimeouts {
  long connect_milliseconds = 60000;
  long stall_seconds = 300;
};
void SetExchangeTimeouts(const ExchangeTimeouts& timeouts);
ExchangeTimeouts CurrentExchangeTimeouts();

// Certificate authorities to trust instead of the system's (a PEM file);
// empty for the system's. Tests point it at an authority they created.
void SetTrustedAuthorityFile(const std::string& pem_path);

}  // namespace dravanta
