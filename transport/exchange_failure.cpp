#include "transport/exchange_failure.h"

#include <curl/curl.h>

#include "transport/error_document.h"

namespace dravanta {

FailureKind ClassifyCurlCode(int curl_code) {
  switch (curl_code) {
    case CURLE_OUT_OF_MEMORY:
      return FailureKind::OutOfMemory;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_PROXY:
    case CURLE_URL_MALFORMAT:
      return FailureKind::Connect;
    case CURLE_SEND_ERROR:
    case CURLE_READ_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
      return FailureKind::Send;
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_PARTIAL_FILE:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return FailureKind::Receive;
    default:
      return FailureKind::Other;
  }
}

std::string TransferFailureMessage(int curl_code, const TransferProgress& progress) {
  unsigned code = static_cast<unsigned>(curl_code);
  if (progress.file_read_failed) return "Failed to read data from file";
  if (progress.file_seek_failed) return "Failed to seek data in file";
  FailureKind kind = ClassifyCurlCode(curl_code);
  // An answer too large to hold is refused as one that cannot be allocated.
  if (kind == FailureKind::OutOfMemory || progress.answer_too_large) {
    return "out of memory while receiving response";
  }
  // The final response's headers are in: the failure is in reading its body.
  if (progress.headers_received) return FormatMessageText("error %u in WinHttpReadData.", code);
  // Connection and name-resolution failures belong to sending the request.
  bool sending = kind == FailureKind::Connect || !progress.request_sent ||
                 (progress.body_started && !progress.body_finished);
  if (sending) {
    if (progress.is_upload && progress.body_started) {
      return FormatMessageText("WinHttpWriteData failed (0x%.8X)", code);
    }
    if (progress.is_get) return FormatMessageText("WinHttpSendRequest failed (0x%.8x)", code);
    return FormatMessageText("WinHttpSendRequest failed (0x%.8X)", code);
  }
  return FormatMessageText("WinHttpReceiveResponse failed (0x%.8X)", code);
}

}  // namespace dravanta
