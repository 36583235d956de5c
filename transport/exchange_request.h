// What both HTTP exchanges (libcurl and WinHTTP, one per build) take alike
// from a request: the argument check, the request path and the limits.
#pragma once

#include <string>
#include <string_view>

#include "transport/http_exchange.h"
#include "transport/server_url.h"

namespace dravanta {

// A "POST" needs data and is not "getengineinfo"; a "GET" needs data unless
// it is "getengineinfo"; no other verb is sent.
bool RequestArgumentsAreValid(const ServerRequest& request);

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
