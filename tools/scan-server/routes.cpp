#include "tools/scan-server/routes.h"

#include <charconv>

namespace dravanta::scan_server {
namespace {

// A refused request body is still read (and dropped) up to this size, so
// that the client, which sends its whole body before it reads, gets the
// answer instead of a reset connection. Past it the connection is dropped.
constexpr std::uint64_t kDrainLimit = 16 * 1024 * 1024;

void Send(httplib::Response& res, const Answer& answer) {
  res.status = answer.status;
  res.set_content(answer.body, "text/xml; charset=utf-8");
}

ClientIdentity IdentityOf(const httplib::Request& req) {
  return ClientIdentity{
      req.get_param_value("client_computer_name"), req.get_param_value("client_user_name"),
      req.get_header_value("X-Hardware-ID"), req.get_header_value("X-Custom-Key")};
}

void DrainBody(const httplib::Request& req, const httplib::ContentReader& reader) {
  BodyFraming framing = FramingOf(req);
  if (framing.refusal || (framing.length && *framing.length > kDrainLimit)) return;
  std::uint64_t drained = 0;
  reader([&drained](const char*, std::size_t length) {
    drained += length;
    return drained <= kDrainLimit;
  });
}

void Refuse(const httplib::Request& req, httplib::Response& res,
            const httplib::ContentReader& reader, const Answer& answer) {
  DrainBody(req, reader);
  Send(res, answer);
}

void HandleLookup(ScanService& service, const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader) {
  if (req.has_param("type") && req.get_param_value("type") != "signature") {
    return Refuse(req, res, reader,
                  ErrorAnswer(400, "scanmultiple supports only type=signature, not type=" +
                                       req.get_param_value("type")));
  }
  const std::uint64_t limit = MaxLookupBodyBytes(service.limits);
  const Answer too_many = ErrorAnswer(413, "too many signatures in one lookup (at most " +
                                               std::to_string(service.limits.max_signatures) + ")");
  BodyFraming framing = FramingOf(req);
  if (framing.refusal) return Send(res, *framing.refusal);
  if (framing.length && *framing.length > limit) return Refuse(req, res, reader, too_many);
  std::string body;
  bool fits = true;
  reader([&](const char* data, std::size_t length) {
    fits = fits && body.size() + length <= limit;
    if (fits) body.append(data, length);
    return fits || body.size() + length <= limit + kDrainLimit;
  });
  if (!fits) return Send(res, too_many);
  Send(res, AnswerLookup(service, body, IdentityOf(req)));
}

void HandleUpload(ScanService& service, const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader) {
  const std::uint64_t limit = service.limits.max_upload_bytes;
  const Answer too_large = ErrorAnswer(
      413, "the file is larger than this server accepts (" + std::to_string(limit) + " bytes)");
  BodyFraming framing = FramingOf(req);
  if (framing.refusal) return Send(res, *framing.refusal);
  if (framing.length && *framing.length > limit) return Refuse(req, res, reader, too_large);
  std::unique_ptr<SpoolFile> spooled = service.spool->NewFile();
  if (!spooled) {
    return Refuse(req, res, reader, ErrorAnswer(500, "cannot store the upload on the server"));
  }
  bool fits = true, written = true;
  std::uint64_t received = 0;
  bool complete = reader([&](const char* data, std::size_t length) {
    received += length;
    fits = fits && received <= limit;
    if (fits && written) written = spooled->Append(std::string_view(data, length));
    return fits || received <= limit + kDrainLimit;
  });
  if (!fits) return Send(res, too_large);
  ScannedFile file;
  if (!written || !spooled->Finish(&file)) {
    return Send(res, ErrorAnswer(500, "cannot store the upload on the server"));
  }
  if (!complete) return Send(res, ErrorAnswer(400, "the upload ended before its whole body"));
  Send(res, AnswerUpload(service, file, req.get_param_value("filename"), IdentityOf(req)));
}

}  // namespace

BodyFraming FramingOf(const httplib::Request& req) {
  BodyFraming framing;
  if (req.get_header_value("Transfer-Encoding").find("chunked") != std::string::npos) {
    return framing;
  }
  if (!req.has_header("Content-Length")) {
    // Without either, the body would run to the end of the connection and
    // the answer could never be read.
    framing.refusal = ErrorAnswer(411, "a request body needs a Content-Length header");
    return framing;
  }
  std::string text = req.get_header_value("Content-Length");
  std::uint64_t length = 0;
  auto [rest, failure] = std::from_chars(text.data(), text.data() + text.size(), length);
  if (text.empty() || failure != std::errc() || rest != text.data() + text.size()) {
    framing.refusal = ErrorAnswer(400, "the Content-Length header is not a valid length");
  } else {
    framing.length = length;
  }
  return framing;
}

void InstallRoutes(httplib::Server& server, ScanService& service) {
  server.Get(kScannerPath, [&service](const httplib::Request& req, httplib::Response& res) {
    if (auto refusal = CheckApiKey(service, req.get_header_value("X-API-Key"))) {
      return Send(res, *refusal);
    }
    std::string method = req.get_param_value("method");
    if (method == "getengineinfo") return Send(res, AnswerEngineInfo(service));
    if (method == "scan" || method == "scanmultiple") {
      return Send(res, ErrorAnswer(405, "method " + method + " needs a POST request"));
    }
    Send(res, ErrorAnswer(400, "unknown method: " + (method.empty() ? "(none)" : method)));
  });
  server.Post(kScannerPath, [&service](const httplib::Request& req, httplib::Response& res,
                                       const httplib::ContentReader& reader) {
    if (auto refusal = CheckApiKey(service, req.get_header_value("X-API-Key"))) {
      return Refuse(req, res, reader, *refusal);
    }
    std::string method = req.get_param_value("method");
    if (method == "scanmultiple") return HandleLookup(service, req, res, reader);
    if (method == "scan") return HandleUpload(service, req, res, reader);
    if (method == "getengineinfo") {
      DrainBody(req, reader);
      return Send(res, AnswerEngineInfo(service));
    }
    Refuse(req, res, reader,
           ErrorAnswer(400, "unknown method: " + (method.empty() ? "(none)" : method)));
  });
  // Every other address, and every failure of the HTTP layer itself, still
  // answers an error document.
  server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    std::string text = res.status == 404
                           ? "no such address: " + req.path
                           : "the request was refused (HTTP " + std::to_string(res.status) + ")";
    res.set_content(ErrorDocument(text), "text/xml; charset=utf-8");
  });
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr failure) {
        std::string text = "internal server error";
        try {
          if (failure) std::rethrow_exception(failure);
        } catch (const std::exception& e) {
          text += std::string(": ") + e.what();
        } catch (...) {
        }
        Send(res, ErrorAnswer(500, text));
      });
}

}  // namespace dravanta::scan_server
