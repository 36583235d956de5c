#include "transport/http_exchange.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/text.h"
#include "transport/client_identity.h"
#include "transport/error_document.h"
#include "transport/exchange_request.h"
#include "transport/request_path.h"
#include "transport/server_settings.h"

namespace dravanta {
namespace {

struct ExchangeConfiguration {
  std::mutex lock;
  ExchangeTimeouts timeouts;
  std::string trusted_authority_file;
};

// Destroyed at the end of the process, when no scan thread is left to use it.
ExchangeConfiguration& Configuration() {
  static ExchangeConfiguration configuration;
  return configuration;
}

// Header values come from settings; a line break in one would start a
// header of its own.
std::string WithoutLineBreaks(std::string value) {
  std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
  return value;
}

}  // namespace

std::vector<std::string> IdentityHeaderLines() {
  std::vector<std::string> lines;
  if (std::optional<std::string> value = TransportOption("api_key")) {
    lines.push_back("X-API-Key: " + WithoutLineBreaks(*value));
  }
  if (std::optional<std::string> value = TransportOption("custom_key")) {
    lines.push_back("X-Custom-Key: " + WithoutLineBreaks(*value));
  }
  if (std::optional<std::string> value = TransportOption(HardwareIdentifierOption)) {
    lines.push_back("X-Hardware-ID: " + WithoutLineBreaks(*value));
  }
  return lines;
}

void SetExchangeTimeouts(const ExchangeTimeouts& timeouts) {
  std::lock_guard guard(Configuration().lock);
  Configuration().timeouts = timeouts;
}

ExchangeTimeouts CurrentExchangeTimeouts() {
  std::lock_guard guard(Configuration().lock);
  return Configuration().timeouts;
}

void SetTrustedAuthorityFile(const std::string& pem_path) {
  std::lock_guard guard(Configuration().lock);
  Configuration().trusted_authority_file = pem_path;
}

std::string TrustedAuthorityFile() {
  std::lock_guard guard(Configuration().lock);
  return Configuration().trusted_authority_file;
}

namespace {

bool RequestArgumentsAreValid(const ServerRequest& request) {
  if (request.verb == "POST") return request.data.has_value() && request.method != "getengineinfo";
  if (request.verb == "GET") return request.data.has_value() || request.method == "getengineinfo";
  return false;
}

}  // namespace

std::optional<ServerAddress> AddressToExchangeWith(const ServerRequest& request,
                                                   ExchangeResult* refusal) {
  if (!RequestArgumentsAreValid(request)) {
    *refusal = {TransportInvalidArgument, {}};
    return std::nullopt;
  }
  std::string rest;
  std::optional<ServerAddress> address =
      SplitServerUrl(request.server_url, TransportOption("port"), &rest);
  if (!address) {
    *refusal = {TransportInvalidArgument, MakeErrorDocument(FormatMessageText(
                                              "invalid address specified: %s", rest.c_str()))};
  }
  return address;
}

bool HostIsUsable(std::string_view host) {
  if (host.empty()) return false;
  for (unsigned char c : host) {
    if (c <= 0x20 || c >= 0x7F || std::strchr("/?#@[]\\%\"<>^`{|}", c) != nullptr) return false;
  }
  return true;
}

std::string RequestPathOf(const ServerAddress& address, const ServerRequest& request) {
  RequestPathParts parts;
  parts.server_path = address.path;
  parts.method = request.method;
  parts.data = request.data;
  parts.type = request.type;
  if (std::optional<std::u16string> name = ComputerName()) parts.computer_name = Utf16ToUtf8(*name);
  if (std::optional<std::u16string> name = UserName()) parts.user_name = Utf16ToUtf8(*name);
  return BuildRequestPath(parts);
}

}  // namespace dravanta
