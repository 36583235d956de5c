// What both HTTP exchanges (libcurl and WinHTTP, one per build) take alike
// from a request: the argument check, the request path and the limits.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "transport/http_exchange.h"
#include "transport/server_url.h"

namespace dravanta {

// The server address a request goes to, or nothing with *refusal saying why
// it does not go out: a "POST" needs data and is not "getengineinfo"; a
// "GET" needs data unless it is "getengineinfo"; no other verb is sent; and
// the server text must split into an address (with the "port" option).
std::optional<ServerAddress> AddressToExchangeWith(const ServerRequest& request,
                                                   ExchangeResult* refusal);

// Whether host can name a machine in a URL: not empty, and without
// controls, spaces, non-ASCII bytes or characters that would end or change
// the host part. Any other host fails at the connection step.
bool HostIsUsable(std::string_view host);

// The request path with its query: the server URL's path, "/scanner?method="
// and the method's parameters, the computer and user names among them.
std::string RequestPathOf(const ServerAddress& address, const ServerRequest& request);

// The authority file of SetTrustedAuthorityFile ("" for the system's).
std::string TrustedAuthorityFile();

}  // namespace dravanta
