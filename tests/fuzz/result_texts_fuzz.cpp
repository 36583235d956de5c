// The results and details texts the page evaluates: whatever the paths,
// threat names and result documents hold, both texts (and the picker's
// answer) are valid JSON in well-formed UTF-16, the results list has one row
// per threat and the details one entry per threat.
//
// Input: four bytes of figures, then threats, each as a path and a threat
// name (UTF-16 code units up to a zero unit) and a result document (bytes up
// to a zero byte, one code unit per byte as the connector receives it).
#include <cstdint>
#include <string>

#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"
#include "ui/result_texts.h"
#include "ui/testing/json_check.h"

namespace {

bool ValidPageText(const std::u16string& text) {
  return dravanta::fuzz::WellFormedUtf16(text) &&
         dravanta::IsValidJson(dravanta::Utf16ToUtf8(text));
}

// Top-level elements of the array or object that `text` (valid JSON) is.
size_t TopLevelCount(std::string_view text, char open) {
  size_t depth = 0, count = 0;
  bool in_string = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') in_string = true;
    if (c == '[' || c == '{') ++depth;
    if (c == ']' || c == '}') --depth;
    if (depth == 1 && c == ',') ++count;
    if (depth >= 1 && c != ' ' && c != open && c != '\n') any = true;
  }
  return any ? count + 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  dravanta::ResultFigures figures;
  figures.engineCount = static_cast<int8_t>(input.Byte()) * 16777216;  // both ends of int32_t
  figures.filesScanned = static_cast<int8_t>(input.Byte()) * 16777215;
  figures.scanSeconds = input.Byte() * 16777259u + input.Byte();

  dravanta::ThreatMap threats;
  dravanta::DocumentMap documents;
  std::u16string first_path;
  while (!input.empty()) {
    std::u16string path = input.Units();
    std::u16string threat = input.Units();
    std::u16string document = dravanta::fuzz::Widen(input.Piece());
    if (first_path.empty()) first_path = path;
    threats[path] = threat;
    // Some threats have no document at all.
    if (path.size() % 3 != 1) documents[path] = document;

    FUZZ_CHECK(ValidPageText(dravanta::BuildEngineEntry(document, threats.size())));
    FUZZ_CHECK(ValidPageText(dravanta::EscapeForPage(path).insert(0, u"\"") + u"\""));
  }

  const dravanta::ResultTexts texts = dravanta::BuildResultTexts(threats, documents, figures);
  FUZZ_CHECK(ValidPageText(texts.results));
  FUZZ_CHECK(ValidPageText(texts.details));
  FUZZ_CHECK(TopLevelCount(dravanta::Utf16ToUtf8(texts.details), '[') == threats.size());
  const std::string results = dravanta::Utf16ToUtf8(texts.results);
  const size_t list = results.find("\"result\":[");
  FUZZ_CHECK(list != std::string::npos);
  FUZZ_CHECK(TopLevelCount(std::string_view(results).substr(list + 9, results.size() - list - 10),
                           '[') == threats.size());

  FUZZ_CHECK(ValidPageText(dravanta::PickerText(u"folder", first_path)));
  FUZZ_CHECK(ValidPageText(dravanta::PickerText(u"file", first_path)));
  return 0;
}
