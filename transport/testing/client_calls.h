// The server client's calls as the transport tests make them: each takes the
// answer's bytes and frees the answer, so that no test leaks one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "transport/server_client.h"
#include "transport/testing/answer_text.h"

namespace dravanta {

struct ClientAnswer {
  TransportCode code = TransportOk;
  std::string text;
};

// The answer's bytes, with the answer handed back to the client.
inline ClientAnswer TakeAnswer(TransportCode code, char16_t* text) {
  ClientAnswer answer{code, AnswerBytes(text)};
  GetServerClient().FreeResult(text);
  return answer;
}

// "scan": uploads the file at `path`.
inline ClientAnswer UploadFile(const std::string& path) {
  char16_t* text = nullptr;
  const TransportCode code = GetServerClient().ScanObject(0, Utf8ToUtf16(path).c_str(), &text);
  return TakeAnswer(code, text);
}

// "scanmultiple": looks the objects up by signature.
inline ClientAnswer LookUpSignatures(const std::vector<std::string>& objects) {
  std::vector<std::u16string> wide;
  for (const std::string& object : objects) wide.push_back(Utf8ToUtf16(object));
  std::vector<const char16_t*> pointers;
  for (const std::u16string& object : wide) pointers.push_back(object.c_str());
  char16_t* text = nullptr;
  const TransportCode code = GetServerClient().ScanMultiple(
      ScanBySignature, pointers.data(), static_cast<std::uint32_t>(pointers.size()), &text);
  return TakeAnswer(code, text);
}

// "getengineinfo".
inline ClientAnswer EngineInfo() {
  char16_t* text = nullptr;
  const TransportCode code = GetServerClient().GetEngineInfo(&text);
  return TakeAnswer(code, text);
}

}  // namespace dravanta
