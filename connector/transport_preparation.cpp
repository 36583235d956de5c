#include "connector/transport_preparation.h"

#include <string>

#include "transport/client_properties.h"
#include "transport/engine_info.h"

namespace dravanta {
namespace {

bool PassOption(const ServerClient& transport, const char16_t* name, std::u16string_view value) {
  const std::u16string text(value);
  return transport.SetOption(name, text.c_str()) == TransportOk;
}

bool PassIfSet(const ServerClient& transport, const char16_t* name, std::u16string_view value) {
  return value.empty() || PassOption(transport, name, value);
}

// Every piece in front of a ";" is a server, empty ones included; the piece
// after the last ";" only when it is not empty.
bool PassServerUrls(const ServerClient& transport, std::u16string_view urls) {
  size_t start = 0;
  for (size_t cut = urls.find(u';'); cut != std::u16string_view::npos;
       cut = urls.find(u';', start)) {
    if (!PassOption(transport, u"url", urls.substr(start, cut - start))) return false;
    start = cut + 1;
  }
  return PassIfSet(transport, u"url", urls.substr(start));
}

bool PassOptions(const ServerClient& transport, const ConnectorOptions& options,
                 std::u16string_view api_key) {
  return PassServerUrls(transport, options.server_url) &&
         PassIfSet(transport, u"ip", options.server_ip) &&
         PassIfSet(transport, u"port", options.server_port) &&
         PassIfSet(transport, u"api_key", api_key) &&
         PassIfSet(transport, u"custom_key", options.server_custom_key) &&
         PassOption(transport, u"proxy_useie", options.use_user_proxy ? u"1" : u"0") &&
         PassIfSet(transport, u"proxy_name", options.server_proxy_name) &&
         PassIfSet(transport, u"proxy_user", options.server_proxy_user) &&
         PassIfSet(transport, u"proxy_pass", options.server_proxy_pass) &&
         (!options.server_cert_check || PassOption(transport, u"cert_check", u"1")) &&
         (!options.server_random_server || PassOption(transport, u"random", u"1"));
}

}  // namespace

int32_t PrepareTransport(const ServerClient& transport, const ConnectorOptions& options,
                         std::u16string_view api_key) {
  if (!PassOptions(transport, options, api_key)) return kScanRefused;
  if (transport.Initialise() != TransportOk) return kScanRefused;

  char16_t* engine_info = nullptr;
  const TransportCode code = transport.GetEngineInfo(&engine_info);
  if (code != TransportOk) {
    transport.FreeResult(engine_info);
    return kScanServerUnreachable;
  }
  const size_t engines = engine_info == nullptr ? 0 : CountEngines(engine_info);
  SetProperty(EngineCountProperty, static_cast<int64_t>(engines));
  transport.FreeResult(engine_info);
  return engines == 0 ? kScanNoEngine : kScanStarted;
}

}  // namespace dravanta
