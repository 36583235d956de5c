// The engine information: the "getengineinfo" answers of several servers
// joined into one document, its engines counted, and the count handed out
// through GetEngineCount's 100-unit buffer. Well-formed answers merge into
// the sum of their engines; whatever the answers hold, the merge leaves at
// most one of each root marker and one answer with one of each unchanged.
//
// Input: a byte choosing the form. Even: answers built here, the following
// bytes giving each server's engine count and names. Odd: raw answers
// separated by zero bytes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"
#include "transport/client_properties.h"
#include "transport/engine_info.h"
#include "transport/engine_merge.h"

namespace {

constexpr std::string_view kMarkers[] = {"<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                                         "<method_response>", "<name>getengineinfo</name>",
                                         "</method_response>"};

size_t Occurrences(std::string_view text, std::string_view marker) {
  size_t n = 0;
  for (size_t at = text.find(marker); at != std::string_view::npos;
       at = text.find(marker, at + 1)) {
    ++n;
  }
  return n;
}

std::string Answer(dravanta::fuzz::InputReader& input, size_t* engines) {
  *engines = input.Byte() % 8;
  std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><method_response><name>getengineinfo</name>"
      "<engines>";
  for (size_t i = 0; i < *engines; ++i) {
    std::string name;
    for (const char c : input.Piece()) {
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ') name += c;
    }
    text += "<engine><name>" + name + "</name><id>" + std::to_string(i) + "</id></engine>";
  }
  return text + "</engines></method_response>";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  const uint8_t form = input.Byte();
  std::vector<std::string> answers;
  size_t expected = 0;
  if (form % 2 == 0) {
    const size_t servers = 1 + (form >> 1) % 4;
    for (size_t i = 0; i < servers; ++i) {
      size_t engines = 0;
      answers.push_back(Answer(input, &engines));
      expected += engines;
    }
  } else {
    while (!input.empty()) answers.emplace_back(input.Piece());
  }
  std::string collected;
  for (const auto& answer : answers) collected += answer;

  const std::string merged = dravanta::MergeEngineDocuments(collected);
  for (const std::string_view marker : kMarkers) FUZZ_CHECK(Occurrences(merged, marker) <= 1);
  bool single = true;
  for (const std::string_view marker : kMarkers) single &= Occurrences(collected, marker) <= 1;
  if (single) FUZZ_CHECK(merged == collected);

  const size_t engines = dravanta::CountEngines(dravanta::WidenBytes(merged));
  if (form % 2 == 0) FUZZ_CHECK(engines == expected);

  dravanta::ClearProperties();
  dravanta::SetProperty(dravanta::EngineCountProperty, static_cast<int64_t>(engines));
  // Exactly the documented 100 units, so a write past them is caught.
  const auto buffer = std::make_unique<char16_t[]>(100);
  FUZZ_CHECK(dravanta::GetEngineCount(buffer.get()) == 0);
  FUZZ_CHECK(std::u16string(buffer.get()) == dravanta::Utf8ToUtf16(std::to_string(engines)));
  FUZZ_CHECK(dravanta::GetEngineCount(nullptr) == 1);
  return 0;
}
