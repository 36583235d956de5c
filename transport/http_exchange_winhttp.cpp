// The exchange through WinHTTP in synchronous mode: the HTTP layer of the
// Windows build (the libcurl one is http_exchange_curl.cpp).
//
// One WinHTTP session serves every exchange made under the same proxy
// settings, on every thread; each exchange opens its own connection and
// request handles and closes them when it ends. Keep-alive is off, so no
// connection outlives its exchange, as with HTTP/1.0 answers anyway.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_reader.h"
#include "platform/text.h"
#include "transport/error_document.h"
#include "transport/exchange_request.h"
#include "transport/http_exchange.h"
#include "transport/server_settings.h"
#include "transport/server_url.h"

namespace dravanta {
namespace {

constexpr DWORD kPieceBytes = 4096;
// Sends of one request when WinHTTP asks for it again.
constexpr int kMaxSends = 5;

std::wstring Wide(std::string_view utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(std::wstring_view text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

// Takes a string the system allocated with GlobalAlloc, and frees it.
std::wstring TakeGlobalString(LPWSTR text) {
  if (text == nullptr) return {};
  std::wstring copy(text);
  GlobalFree(text);
  return copy;
}

struct HandleCloser {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The error of a WinHTTP call that failed. Wine's WinHTTP passes on the
// socket's own time-out (WSAETIMEDOUT) where WinHTTP reports its time-out
// error: the number is the one WinHTTP documents.
DWORD LastWinHttpError() {
  constexpr DWORD kSocketTimedOut = 10060;
  const DWORD error = GetLastError();
  return error == kSocketTimedOut ? ERROR_WINHTTP_TIMEOUT : error;
}

ExchangeResult Failed(const char* format, DWORD error) {
  return {TransportFailed,
          MakeErrorDocument(FormatMessageText(format, static_cast<unsigned>(error)))};
}

// ---- Proxy settings and sessions ----

// The settings a session is opened with; a session serves every exchange
// made under the same ones.
struct ProxyChoice {
  std::optional<std::string> proxy_name;
  bool use_user_settings = false;
  auto operator<=>(const ProxyChoice&) const = default;
};

ProxyChoice CurrentProxyChoice() {
  return {TransportOption("proxy_name"), TransportOption("proxy_useie") == "1"};
}

struct ProxyInfo {
  DWORD access_type = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::wstring proxy;
  std::wstring bypass;
};

struct Session {
  HINTERNET handle = nullptr;
  bool discover = false;  // automatic proxy discovery asked for
  std::mutex lock;        // guards discovered
  std::map<std::wstring, std::optional<ProxyInfo>> discovered;  // by URL
};

// The current user's system proxy settings. Automatic detection or a
// configuration script both ask for discovery (the script address itself is
// not used).
struct UserProxySettings {
  bool discover = false;
  std::wstring proxy;
  std::wstring bypass;
};

UserProxySettings ReadUserProxySettings() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return {};
  UserProxySettings settings;
  settings.discover = config.fAutoDetect || config.lpszAutoConfigUrl != nullptr;
  TakeGlobalString(config.lpszAutoConfigUrl);
  settings.proxy = TakeGlobalString(config.lpszProxy);
  settings.bypass = TakeGlobalString(config.lpszProxyBypass);
  return settings;
}

// Opens a session: with "proxy_name" when set (empty: no proxy), else with
// the user's settings when asked for, else with the system's default.
std::unique_ptr<Session> OpenSession(const ProxyChoice& choice, DWORD* error) {
  UserProxySettings settings;
  if (choice.proxy_name) {
    settings.proxy = Wide(*choice.proxy_name);
  } else if (choice.use_user_settings) {
    settings = ReadUserProxySettings();
  }
  DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
  if (!settings.proxy.empty()) {
    access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  } else if (choice.proxy_name) {
    access = WINHTTP_ACCESS_TYPE_NO_PROXY;
  }
  // No user agent: an empty one would still be sent as an empty header.
  HINTERNET handle = WinHttpOpen(
      nullptr, access, settings.proxy.empty() ? WINHTTP_NO_PROXY_NAME : settings.proxy.c_str(),
      settings.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : settings.bypass.c_str(), 0);
  if (handle == nullptr) {
    *error = LastWinHttpError();
    return nullptr;
  }
  auto session = std::make_unique<Session>();
  session->handle = handle;
  session->discover = settings.discover;
  return session;
}

// The session for these settings, opened on first use and kept for the life
// of the process (WinHTTP handles may be used from any thread). A session
// that cannot be opened is not kept: the next exchange tries again. Never
// destroyed: a detached upload thread may still use one while the process
// ends.
Session* SessionFor(const ProxyChoice& choice, DWORD* error) {
  static auto* lock = new std::mutex;
  static auto* sessions = new std::map<ProxyChoice, std::unique_ptr<Session>>;
  std::lock_guard guard(*lock);
  std::unique_ptr<Session>& session = (*sessions)[choice];
  if (session == nullptr) session = OpenSession(choice, error);
  return session.get();
}

// The proxy automatic discovery finds for url (through DHCP and DNS, logging
// on when challenged), asked once per session and URL; nothing when
// discovery fails.
std::optional<ProxyInfo> DiscoveredProxy(Session* session, const std::wstring& url) {
  {
    std::lock_guard guard(session->lock);
    auto found = session->discovered.find(url);
    if (found != session->discovered.end()) return found->second;
  }
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
  options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  std::optional<ProxyInfo> result;
  if (WinHttpGetProxyForUrl(session->handle, url.c_str(), &options, &info)) {
    result = ProxyInfo{info.dwAccessType, TakeGlobalString(info.lpszProxy),
                       TakeGlobalString(info.lpszProxyBypass)};
  }
  std::lock_guard guard(session->lock);
  session->discovered.emplace(url, result);
  return result;
}

// ---- One request ----

std::wstring UrlOf(const ServerAddress& address) {
  return Wide(std::string(address.secure ? "https://" : "http://") + address.host + ":" +
              std::to_string(address.port == 0 ? (address.secure ? 443 : 80) : address.port) + "/" +
              address.path);
}

// What every request of an exchange (the probe included) is given beyond
// its opening: limits, no keep-alive, redirection or cookies, the
// discovered proxy. Failures are
// not reported: the request goes on without them.
void ConfigureRequest(HINTERNET request, const std::optional<ProxyInfo>& proxy) {
  const ExchangeTimeouts timeouts = CurrentExchangeTimeouts();
  const int connect = static_cast<int>(timeouts.connect_milliseconds);
  const int transfer = static_cast<int>(timeouts.stall_seconds * 1000);
  WinHttpSetTimeouts(request, 0, connect, transfer, transfer);
  // The wait for the response's headers has a limit of its own (90 s by
  // default); a server that sits on the request is held to the same one.
  DWORD response_wait = static_cast<DWORD>(transfer);
  WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_wait,
                   sizeof response_wait);
  // Redirections and cookies are the server's own business: a redirection
  // is a failed answer, and no request carries more than its own headers.
  DWORD feature = WINHTTP_DISABLE_KEEP_ALIVE | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
  WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof feature);
  if (proxy) {
    WINHTTP_PROXY_INFO info{};
    info.dwAccessType = proxy->access_type;
    info.lpszProxy = proxy->proxy.empty() ? nullptr : const_cast<LPWSTR>(proxy->proxy.c_str());
    info.lpszProxyBypass =
        proxy->bypass.empty() ? nullptr : const_cast<LPWSTR>(proxy->bypass.c_str());
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
  }
}

// "cert_check" "0": an unknown issuer and a name that does not match the
// host are accepted; an expired certificate is still refused. The flags
// concern TLS only, so a plain request is left alone.
bool RelaxCertificateCheck(HINTERNET request, bool secure) {
  if (!secure || TransportOption("cert_check") != "0") return true;
  DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
  return WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
}

// The identity headers joined by CR LF (none after the last).
std::wstring ExtraHeaders() {
  std::string joined;
  for (const std::string& line : IdentityHeaderLines()) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return Wide(joined);
}

// The strongest scheme of those offered, in the order Negotiate, NTLM,
// Passport, Digest, Basic; 0 when none is.
DWORD PreferredScheme(DWORD offered) {
  for (DWORD scheme :
       {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM, WINHTTP_AUTH_SCHEME_PASSPORT,
        WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC}) {
    if ((offered & scheme) != 0) return scheme;
  }
  return 0;
}

// Proxy authentication, when "proxy_user" and "proxy_pass" are both set: a
// probe for the server's root finds which schemes the proxy asks for, and
// the credentials for the strongest of them go with the main request. Any
// failure leaves the main request without them. Whether they were attached.
bool AttachProxyCredentials(HINTERNET connection, HINTERNET main_request, bool secure,
                            const std::optional<ProxyInfo>& proxy) {
  std::optional<std::string> user = TransportOption("proxy_user");
  std::optional<std::string> password = TransportOption("proxy_pass");
  if (!user || !password) return false;
  Handle probe(WinHttpOpenRequest(connection, L"GET", L"", L"HTTP/1.0", WINHTTP_NO_REFERER,
                                  WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
  if (probe == nullptr) return false;
  ConfigureRequest(probe.get(), proxy);
  RelaxCertificateCheck(probe.get(), secure);
  bool answered = false;
  for (int attempt = 0; attempt < kMaxSends && !answered; ++attempt) {
    answered = WinHttpSendRequest(probe.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                  WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
               WinHttpReceiveResponse(probe.get(), nullptr);
    if (!answered && LastWinHttpError() != ERROR_WINHTTP_RESEND_REQUEST) return false;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!answered ||
      !WinHttpQueryHeaders(probe.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
      status != HTTP_STATUS_PROXY_AUTH_REQ) {
    return false;
  }
  DWORD offered = 0, first = 0, target = 0;
  if (!WinHttpQueryAuthSchemes(probe.get(), &offered, &first, &target)) return false;
  const DWORD scheme = PreferredScheme(offered);
  return scheme != 0 &&
         WinHttpSetCredentials(main_request, WINHTTP_AUTH_TARGET_PROXY, scheme, Wide(*user).c_str(),
                               Wide(*password).c_str(), nullptr);
}

// Whether a failed wait for the response asks for the request to be sent
// again: ERROR_WINHTTP_RESEND_REQUEST, or, after credentials were attached,
// the handle-state error Wine's WinHTTP gives in its place once the proxy
// has refused a streamed request.
bool SendAgain(DWORD error, bool with_credentials) {
  return error == ERROR_WINHTTP_RESEND_REQUEST ||
         (with_credentials && error == ERROR_WINHTTP_INCORRECT_HANDLE_STATE);
}

// Streams the file to upload in pieces of at most 4096 bytes, never more
// than the length announced. A file that fails to read, or ends before
// that length, fails the upload: the server would otherwise wait for bytes
// that never come.
std::optional<ExchangeResult> WriteFileBody(HINTERNET request, ReadableFile& file,
                                            std::uint64_t length) {
  std::vector<char> piece(kPieceBytes);
  std::uint64_t written_total = 0;
  while (written_total < length) {
    std::fill(piece.begin(), piece.end(), '\0');
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, length - written_total));
    std::int64_t got = ReadFromFile(file, piece.data(), wanted);
    if (got <= 0)
      return ExchangeResult{TransportFailed, MakeErrorDocument("Failed to read data from file")};
    DWORD written = 0;
    if (!WinHttpWriteData(request, piece.data(), static_cast<DWORD>(got), &written) ||
        written == 0) {
      return Failed("WinHttpWriteData failed (0x%.8X)", LastWinHttpError());
    }
    written_total += written;
    // Bytes the request did not take are read again.
    if (!SeekReadableFile(file, written_total)) {
      return ExchangeResult{TransportFailed, MakeErrorDocument("Failed to seek data in file")};
    }
  }
  return std::nullopt;
}

bool SendWithBody(HINTERNET request, const std::wstring& headers, const void* body,
                  DWORD body_length, DWORD total_length) {
  return WinHttpSendRequest(request,
                            headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1L), const_cast<void*>(body),
                            body_length, total_length, 0);
}

// Sends the request and its body: none for "GET", the file for an upload,
// else the data itself. Nothing when it went out; else the result.
std::optional<ExchangeResult> SendRequest(HINTERNET request, const ServerRequest& server_request) {
  const std::wstring headers = ExtraHeaders();
  if (server_request.verb == "GET") {
    if (SendWithBody(request, headers, WINHTTP_NO_REQUEST_DATA, 0, 0)) return std::nullopt;
    return Failed("WinHttpSendRequest failed (0x%.8x)", LastWinHttpError());
  }
  if (server_request.type == "file") {
    ReadableFile file;
    int error_number = 0;
    if (!OpenReadableFile(*server_request.data, &file, &error_number)) {
      // Nothing is sent, and the empty answer reads as an uninterpretable one.
      std::string text;
      TransportCode code = FinishResponse(&text);
      return ExchangeResult{code, text};
    }
    ReadableFileCloser closer{&file};
    const std::uint64_t length = server_request.data_length;
    if (length > MAXDWORD ||
        !SendWithBody(request, headers, WINHTTP_NO_REQUEST_DATA, 0, static_cast<DWORD>(length))) {
      return Failed("WinHttpSendRequest failed (0x%.8X)",
                    length > MAXDWORD ? ERROR_INVALID_PARAMETER : LastWinHttpError());
    }
    return WriteFileBody(request, file, length);
  }
  // The body is the data itself; data_length never exceeds it.
  const auto length = static_cast<DWORD>(
      std::min<std::uint64_t>({server_request.data_length, server_request.data->size(), MAXDWORD}));
  if (SendWithBody(request, headers, server_request.data->data(), length, length))
    return std::nullopt;
  return Failed("WinHttpSendRequest failed (0x%.8X)", LastWinHttpError());
}

// The final response's raw header block (status line, header lines and the
// empty line, each ended by CR LF); empty when WinHTTP gives no size.
std::string RawHeaders(HINTERNET request) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                      WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
  if (LastWinHttpError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring headers(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                           headers.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  headers.resize(size / sizeof(wchar_t));
  return Narrow(headers);
}

// The body length the response announces, when it announces one.
std::optional<std::uint64_t> AnnouncedLength(HINTERNET request) {
  wchar_t digits[32] = {};
  DWORD size = sizeof digits;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                           digits, &size, WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  std::uint64_t length = 0;
  for (const wchar_t* c = digits; *c >= L'0' && *c <= L'9'; ++c) length = length * 10 + (*c - L'0');
  return length;
}

ExchangeResult ReadFailure(DWORD error) {
  return {TransportFailed, MakeErrorDocument(FormatMessageText("error %u in WinHttpReadData.",
                                                               static_cast<unsigned>(error)))};
}

// Appends the body, read in pieces of at most 4096 bytes, to *text. A body
// that breaks off fails as a read, as does one larger than the answer may
// be. (WinHTTP may take a connection closed before the announced length
// for the end of the body: the length is checked here.)
std::optional<ExchangeResult> ReadBody(HINTERNET request, std::string* text) {
  const std::optional<std::uint64_t> announced = AnnouncedLength(request);
  const std::size_t body_start = text->size();
  std::vector<char> piece(kPieceBytes + 1);
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return ReadFailure(LastWinHttpError());
    if (available == 0) break;
    const DWORD wanted = std::min(available, kPieceBytes);
    if (text->size() + wanted > MaxAnswerBytes) {
      return ExchangeResult{TransportFailed,
                            MakeErrorDocument("out of memory while receiving response")};
    }
    DWORD got = 0;
    if (!WinHttpReadData(request, piece.data(), wanted, &got))
      return ReadFailure(LastWinHttpError());
    if (got == 0) break;
    text->append(piece.data(), got);
  }
  if (announced && text->size() - body_start < *announced) {
    return ReadFailure(ERROR_WINHTTP_CONNECTION_ERROR);
  }
  return std::nullopt;
}

// Everything after the session: connection, request, sending, the answer.
ExchangeResult Exchange(Session* session, const ServerAddress& address,
                        const ServerRequest& server_request) {
  if (!HostIsUsable(address.host) || address.port > 0xFFFF) {
    return Failed("WinHttpConnect failed (0x%.8X)", ERROR_WINHTTP_INVALID_URL);
  }
  Handle connection(WinHttpConnect(session->handle, Wide(address.host).c_str(),
                                   static_cast<INTERNET_PORT>(address.port), 0));
  if (connection == nullptr) return Failed("WinHttpConnect failed (0x%.8X)", LastWinHttpError());

  // The path is escaped already (request_path.h): WinHTTP sends it as it is.
  const std::wstring path = Wide(RequestPathOf(address, server_request));
  LPCWSTR accept_types[] = {L"text/xml", nullptr};
  DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
  if (address.secure) flags |= WINHTTP_FLAG_SECURE;
  Handle request(WinHttpOpenRequest(connection.get(), Wide(server_request.verb).c_str(),
                                    path.c_str(), L"HTTP/1.0", WINHTTP_NO_REFERER, accept_types,
                                    flags));
  if (request == nullptr) return Failed("WinHttpOpenRequest failed (0x%.8X)", LastWinHttpError());

  std::optional<ProxyInfo> proxy;
  if (session->discover) proxy = DiscoveredProxy(session, UrlOf(address));
  ConfigureRequest(request.get(), proxy);
  if (!RelaxCertificateCheck(request.get(), address.secure)) {
    return Failed("WinHttpSetOption failed (0x%.8X)", LastWinHttpError());
  }
  const bool with_credentials =
      AttachProxyCredentials(connection.get(), request.get(), address.secure, proxy);

  // A request whose body was streamed cannot be sent again by WinHTTP on
  // its own (a proxy's authentication round): it asks for the whole
  // request again, file included.
  for (int send = 1;; ++send) {
    if (std::optional<ExchangeResult> failed = SendRequest(request.get(), server_request)) {
      return *failed;
    }
    if (WinHttpReceiveResponse(request.get(), nullptr)) break;
    const DWORD error = LastWinHttpError();
    if (!SendAgain(error, with_credentials) || send == kMaxSends) {
      return Failed("WinHttpReceiveResponse failed (0x%.8X)", error);
    }
  }
  std::string text = RawHeaders(request.get());
  if (std::optional<ExchangeResult> failed = ReadBody(request.get(), &text)) return *failed;
  TransportCode code = FinishResponse(&text);
  return {code, std::move(text)};
}

}  // namespace

ExchangeResult PerformRequest(const ServerRequest& request) {
  ExchangeResult refusal;
  const std::optional<ServerAddress> address = AddressToExchangeWith(request, &refusal);
  if (!address) return refusal;
  DWORD error = 0;
  Session* session = SessionFor(CurrentProxyChoice(), &error);
  if (session == nullptr) return Failed("WinHttpOpen failed (0x%.8X)", error);
  return Exchange(session, *address, request);
}

}  // namespace dravanta
