// The process-wide libcurl share objects that every exchange uses, so that
// name resolutions and TLS sessions outlive the exchange that made them: a
// later exchange to the same server resolves no name again and resumes the
// TLS session instead of doing a full handshake.
//
// Sessions made under the relaxed certificate check ("cert_check" "0") are
// kept apart from those made under the full check: resuming a session skips
// the certificate, so an exchange that checks must never resume one that
// was accepted without the check.
//
// Open connections are not shared: libcurl does not support sharing its
// connection cache between threads that transfer at the same time, and
// HTTP/1.0 answers end their connection anyway.
#pragma once

#include <curl/curl.h>

namespace dravanta {

enum class CertificateCheck { kFull, kRelaxed };

// The share object for exchanges made under that check. Created on first
// use and kept for the life of the process; safe for concurrent exchanges.
// libcurl must already be initialised (curl_global_init).
CURLSH* TransportShare(CertificateCheck check);

}  // namespace dravanta
