#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/file_reader.h"
#include "transport/certificate_check.h"
#include "transport/error_document.h"
#include "transport/exchange_failure.h"
#include "transport/exchange_request.h"
#include "transport/http_exchange.h"
#include "transport/server_settings.h"
#include "transport/server_url.h"
#include "transport/transport_share.h"

namespace dravanta {
namespace {

void InitialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// State shared with libcurl's callbacks during one transfer.
struct Transfer {
  std::string headers;  // header block of the final response
  std::string body;
  TransferProgress progress;
  ReadableFile file;
  std::uint64_t upload_length = 0;
  std::uint64_t uploaded = 0;
};

// Whether count more bytes still fit in the answer; marks the transfer when
// they do not (libcurl then ends it with a write error).
bool AnswerHolds(Transfer* transfer, size_t count) {
  if (transfer->headers.size() + transfer->body.size() + count <= MaxAnswerBytes) return true;
  transfer->progress.answer_too_large = true;
  return false;
}

// An interim answer (1xx) is followed by the real one.
bool IsInterimBlock(std::string_view headers) {
  size_t space = headers.find(' ');
  return space != std::string_view::npos && space + 1 < headers.size() && headers[space + 1] == '1';
}

size_t OnHeader(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  std::string_view line(data, size * count);
  // A server may end its header lines with a bare LF; kept as CR LF, the
  // end of the headers is found where every later step looks for it.
  std::string with_cr;
  if (line.ends_with('\n') && !line.ends_with("\r\n")) {
    with_cr.assign(line.substr(0, line.size() - 1)).append("\r\n");
    line = with_cr;
  }
  // A new status line starts a new response (after an interim or an
  // authentication answer): only the final one is kept.
  bool new_block = transfer->headers.empty() || transfer->headers.ends_with("\r\n\r\n") ||
                   transfer->headers.ends_with("\n\n");
  if (line.starts_with("HTTP/") && new_block) {
    transfer->headers.clear();
    transfer->body.clear();
    transfer->progress.headers_received = false;
  }
  if (!AnswerHolds(transfer, line.size())) return 0;
  transfer->headers.append(line);
  // The empty line ends the block: from here on a failure is one of reading
  // the body, as the receive step is done.
  if (line == "\r\n" && !IsInterimBlock(transfer->headers)) {
    transfer->progress.headers_received = true;
  }
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  if (!AnswerHolds(transfer, size * count)) return 0;
  transfer->body.append(data, size * count);
  return size * count;
}

size_t OnUploadRead(char* buffer, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  transfer->progress.request_sent = true;
  transfer->progress.body_started = true;
  std::uint64_t remaining = transfer->upload_length - transfer->uploaded;
  if (remaining == 0) {
    transfer->progress.body_finished = true;
    return 0;
  }
  size_t wanted = static_cast<size_t>(std::min<std::uint64_t>(remaining, size * count));
  std::int64_t got = ReadFromFile(transfer->file, buffer, wanted);
  if (got <= 0) {
    // A read error, or the file ended before its announced length: stop
    // now rather than leave the server waiting for bytes that never come.
    transfer->progress.file_read_failed = true;
    return CURL_READFUNC_ABORT;
  }
  transfer->uploaded += static_cast<std::uint64_t>(got);
  if (transfer->uploaded == transfer->upload_length) transfer->progress.body_finished = true;
  return static_cast<size_t>(got);
}

// libcurl rewinds the body when it must send the request again (proxy
// authentication rounds).
int OnUploadSeek(void* context, curl_off_t offset, int origin) {
  auto* transfer = static_cast<Transfer*>(context);
  if (origin != SEEK_SET || offset < 0 ||
      !SeekReadableFile(transfer->file, static_cast<std::uint64_t>(offset))) {
    transfer->progress.file_seek_failed = true;
    return CURL_SEEKFUNC_FAIL;
  }
  transfer->uploaded = static_cast<std::uint64_t>(offset);
  transfer->progress.body_finished = false;
  return CURL_SEEKFUNC_OK;
}

struct CurlHandle {
  CURL* handle = curl_easy_init();
  curl_slist* headers = nullptr;
  ~CurlHandle() {
    curl_slist_free_all(headers);
    if (handle != nullptr) curl_easy_cleanup(handle);
  }
};

void ConfigureProxy(CURL* handle) {
  std::optional<std::string> proxy_name = TransportOption("proxy_name");
  if (proxy_name) {
    // An explicit (possibly empty) proxy: the environment is not read.
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy_name->c_str());
  } else if (TransportOption("proxy_useie") != "1") {
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
  }
  // Else libcurl takes http_proxy, https_proxy, all_proxy and no_proxy from
  // the environment: the user's system proxy settings on this platform.
  std::optional<std::string> user = TransportOption("proxy_user");
  std::optional<std::string> password = TransportOption("proxy_pass");
  if (user && password) {
    curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, user->c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, password->c_str());
    // libcurl probes the proxy and answers with the strongest scheme it
    // offers: Negotiate, NTLM, Digest, then Basic.
    curl_easy_setopt(handle, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
  }
}

curl_slist* BuildHeaders(bool has_body) {
  curl_slist* list = nullptr;
  list = curl_slist_append(list, "Accept: text/xml");
  for (const std::string& line : IdentityHeaderLines())
    list = curl_slist_append(list, line.c_str());
  // Nothing else: remove what libcurl would add on its own.
  list = curl_slist_append(list, "User-Agent:");
  list = curl_slist_append(list, "Expect:");
  list = curl_slist_append(list, "Proxy-Connection:");
  if (has_body) list = curl_slist_append(list, "Content-Type:");
  return list;
}

ExchangeResult Failed(std::string message) { return {TransportFailed, MakeErrorDocument(message)}; }

// The whole URL of the request: scheme, host, port when given, and the
// request path with its query.
std::string RequestUrl(const ServerAddress& address, const ServerRequest& request) {
  std::string url = std::string(address.secure ? "https://" : "http://") + address.host;
  if (address.port != 0) url += ":" + std::to_string(address.port);
  url += RequestPathOf(address, request);
  return url;
}

// The system's trusted authorities come as one bundle file and, where
// libcurl knows it, as a folder of one file per authority. libcurl reads and
// parses the whole bundle for every TLS connection, which costs
// milliseconds of CPU per exchange; from the folder OpenSSL reads only the
// issuer a certificate names, and only in a full handshake. The folder
// holds the same authorities, so where there is one only it is used.
void TrustSystemAuthorityFolder(CURL* handle) {
  char* folder = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_CAPATH, &folder) == CURLE_OK && folder != nullptr &&
      *folder != '\0') {
    curl_easy_setopt(handle, CURLOPT_CAINFO, nullptr);
  }
}

// What every exchange sets alike: protocol, limits and the answer's
// callbacks.
void ConfigureTransfer(CURL* handle, const std::string& url, Transfer* transfer) {
  const ExchangeTimeouts timeouts = CurrentExchangeTimeouts();
  const std::string authority_file = TrustedAuthorityFile();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connect_milliseconds);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeouts.stall_seconds);
  curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, transfer);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, transfer);
  curl_easy_setopt(handle, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
  if (!authority_file.empty()) {
    curl_easy_setopt(handle, CURLOPT_CAINFO, authority_file.c_str());
  } else {
    TrustSystemAuthorityFolder(handle);
  }
}

// The certificate check that "cert_check" asks for; read once per exchange,
// as the share and the check must agree.
CertificateCheck CurrentCertificateCheck() {
  return TransportOption("cert_check") == "0" ? CertificateCheck::kRelaxed
                                              : CertificateCheck::kFull;
}

// The certificate check, and the share object that belongs to it: sessions
// accepted under the relaxed check stay among exchanges made under it.
// False when the relaxed check cannot be set.
bool ConfigureCertificateCheck(CURL* handle, CertificateCheck check) {
  if (CURLSH* share = TransportShare(check)) curl_easy_setopt(handle, CURLOPT_SHARE, share);
  if (check == CertificateCheck::kFull) return true;
  return curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK &&
         curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, &InstallRelaxedCertificateCheck) ==
             CURLE_OK;
}

// The upload of a file, streamed from it. False when the file cannot be
// opened.
bool ConfigureUpload(CURL* handle, const ServerRequest& request, Transfer* transfer) {
  int error_number = 0;
  if (!OpenReadableFile(*request.data, &transfer->file, &error_number)) return false;
  AdviseSequentialRead(transfer->file, request.data_length, CURL_MAX_READ_SIZE);
  transfer->upload_length = request.data_length;
  curl_easy_setopt(handle, CURLOPT_POST, 1L);
  curl_easy_setopt(handle, CURLOPT_READFUNCTION, &OnUploadRead);
  curl_easy_setopt(handle, CURLOPT_READDATA, transfer);
  curl_easy_setopt(handle, CURLOPT_SEEKFUNCTION, &OnUploadSeek);
  curl_easy_setopt(handle, CURLOPT_SEEKDATA, transfer);
  curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                   static_cast<curl_off_t>(request.data_length));
  return true;
}

// The verb and the body: none for "GET", the file for an upload, else the
// data itself. False when the file to upload cannot be opened.
bool ConfigureBody(CURL* handle, const ServerRequest& request, Transfer* transfer) {
  if (request.verb == "GET") {
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    return true;
  }
  if (transfer->progress.is_upload) return ConfigureUpload(handle, request, transfer);
  // The body is the data itself; data_length never exceeds it.
  std::uint64_t length = std::min<std::uint64_t>(request.data_length, request.data->size());
  curl_easy_setopt(handle, CURLOPT_POST, 1L);
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.data->c_str());
  curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
  return true;
}

// The error document of a transfer that libcurl ended with an error.
ExchangeResult TransferFailure(CURL* handle, CURLcode performed, Transfer* transfer) {
  // The request size also counts a proxy tunnel's CONNECT; the request
  // itself went out only once the transfer began (pretransfer time set).
  curl_off_t request_size = 0;
  curl_off_t pretransfer = 0;
  curl_easy_getinfo(handle, CURLINFO_REQUEST_SIZE, &request_size);
  curl_easy_getinfo(handle, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  TransferProgress& progress = transfer->progress;
  if (request_size > 0 && pretransfer > 0) progress.request_sent = true;
  if (!progress.is_upload && progress.request_sent) {
    progress.body_started = progress.body_finished = true;
  }
  return Failed(TransferFailureMessage(performed, progress));
}

// The answer of a completed transfer, headers then body, finished.
ExchangeResult FinishedAnswer(Transfer* transfer) {
  std::string text = std::move(transfer->headers);
  text += transfer->body;
  TransportCode code = FinishResponse(&text);
  return {code, std::move(text)};
}

}  // namespace

ExchangeResult PerformRequest(const ServerRequest& request) {
  ExchangeResult refusal;
  const std::optional<ServerAddress> address = AddressToExchangeWith(request, &refusal);
  if (!address) return refusal;

  InitialiseCurlOnce();
  const CertificateCheck check = CurrentCertificateCheck();
  CurlHandle curl;
  if (curl.handle == nullptr) return Failed(FormatMessageText("WinHttpOpen failed (0x%.8X)", 0u));
  if (!HostIsUsable(address->host)) {
    return Failed(FormatMessageText("WinHttpConnect failed (0x%.8X)", CURLE_URL_MALFORMAT));
  }

  const std::string url = RequestUrl(*address, request);
  Transfer transfer;
  ReadableFileCloser closer{&transfer.file};
  transfer.progress.is_get = request.verb == "GET";
  transfer.progress.is_upload = request.verb == "POST" && request.type == "file";

  ConfigureTransfer(curl.handle, url, &transfer);
  ConfigureProxy(curl.handle);
  if (!ConfigureCertificateCheck(curl.handle, check)) {
    return Failed(FormatMessageText("WinHttpSetOption failed (0x%.8X)", 0u));
  }
  curl.headers = BuildHeaders(request.verb == "POST");
  curl_easy_setopt(curl.handle, CURLOPT_HTTPHEADER, curl.headers);
  if (!ConfigureBody(curl.handle, request, &transfer)) {
    // The file to upload cannot be opened: nothing is sent, and the empty
    // answer reads as an uninterpretable one.
    std::string text;
    TransportCode code = FinishResponse(&text);
    return {code, text};
  }

  CURLcode performed = curl_easy_perform(curl.handle);
  if (performed != CURLE_OK) return TransferFailure(curl.handle, performed, &transfer);
  return FinishedAnswer(&transfer);
}

}  // namespace dravanta
