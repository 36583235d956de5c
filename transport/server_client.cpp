#include "transport/server_client.h"

#include <vector>

#include "platform/text.h"
#include "transport/client_properties.h"
#include "transport/scan_requests.h"
#include "transport/server_settings.h"

namespace dravanta {
namespace {

// One code unit per byte of the answer, zero-terminated, owned by the
// caller until FreeResult.
char16_t* NewAnswerText(const std::string& bytes) {
  auto* text = new char16_t[bytes.size() + 1];
  for (size_t i = 0; i < bytes.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
  }
  text[bytes.size()] = u'\0';
  return text;
}

TransportCode Hand(const ExchangeResult& result, char16_t** answer) {
  if (answer != nullptr) *answer = NewAnswerText(result.text);
  return result.code;
}

TransportCode Initialise() { return InitialiseTransport(); }

TransportCode Deinitialise() { return DeinitialiseTransport(); }

TransportCode SetOption(const char16_t* name, const char16_t* value) {
  return SetTransportOption(name, value);
}

TransportCode ScanObject(std::uint32_t /*flags*/, const char16_t* object, char16_t** result) {
  std::vector<std::string> servers = OrderServers();
  if (object == nullptr) return Hand({TransportInvalidArgument, {}}, result);
  return Hand(ScanFile(Utf16ToUtf8(object), servers), result);
}

TransportCode ScanMultiple(std::uint32_t flags, const char16_t* const* objects, std::uint32_t count,
                           char16_t** result) {
  std::vector<std::string> servers = OrderServers();
  if ((flags & ScanBySignature) == 0 || (count > 0 && objects == nullptr)) {
    return Hand({TransportInvalidArgument, {}}, result);
  }
  std::vector<std::string> texts;
  texts.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (objects[i] == nullptr) return Hand({TransportInvalidArgument, {}}, result);
    texts.push_back(Utf16ToUtf8(objects[i]));
  }
  return Hand(LookUpSignatures(texts, servers), result);
}

TransportCode AnalyzeFileType(std::uint32_t /*flags*/, const char16_t* /*object*/,
                              char16_t** result) {
  return Hand({TransportInvalidArgument, {}}, result);
}

TransportCode FreeResult(char16_t* text) {
  delete[] text;
  return TransportOk;
}

TransportCode GetEngineInfo(char16_t** result) {
  return Hand(FetchEngineInfo(OrderServers()), result);
}

constexpr ServerClient kServerClient = {&Initialise, &Deinitialise, &SetOption,
                                        &ScanObject, &ScanMultiple, &AnalyzeFileType,
                                        &FreeResult, &GetEngineInfo};

}  // namespace

const ServerClient& GetServerClient() { return kServerClient; }

void ResetServerClient() { ResetTransportSettings(); }

}  // namespace dravanta
