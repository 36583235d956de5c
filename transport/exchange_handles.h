// libcurl handles kept between exchanges. A handle keeps what libcurl
// caches per handle, above all the certificate store built from the trusted
// authorities, which costs milliseconds of CPU to build for each new TLS
// connection; the next exchange on that handle skips the work. Handles are
// kept apart per certificate check, like the share objects, and each one
// serves one exchange at a time.
#pragma once

#include <curl/curl.h>

#include <cstddef>

#include "transport/transport_share.h"

namespace dravanta {

// The most idle handles kept per certificate check: the upload threads and
// a lookup or two at a time.
inline constexpr std::size_t MaxIdleExchangeHandles = 12;

// A handle with no options set, an idle one when there is one; nullptr when
// libcurl cannot make one. libcurl must already be initialised.
CURL* TakeExchangeHandle(CertificateCheck check);

// Gives back a handle taken for check, once its exchange is over: its
// options are cleared and it is kept for a later exchange, or destroyed
// when enough are idle.
void ReturnExchangeHandle(CertificateCheck check, CURL* handle);

}  // namespace dravanta
