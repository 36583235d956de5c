#include "connector/element_text.h"

namespace dravanta {

std::u16string GetElementText(std::u16string_view document, std::u16string_view name) {
  const std::u16string open_with_attributes = u"<" + std::u16string(name) + u" ";
  const std::u16string open_plain = u"<" + std::u16string(name) + u">";
  const std::u16string close = u"</" + std::u16string(name) + u">";

  size_t content_start;
  const size_t at = document.find(open_with_attributes);
  if (at != std::u16string_view::npos) {
    const size_t tag_end = document.find(u'>', at);
    if (tag_end == std::u16string_view::npos) return {};
    content_start = tag_end + 1;
  } else {
    const size_t plain = document.find(open_plain);
    if (plain == std::u16string_view::npos) return {};
    content_start = plain + open_plain.size();
  }
  const size_t content_end = document.find(close, content_start);
  if (content_end == std::u16string_view::npos) {
    return std::u16string(document.substr(content_start));
  }
  return std::u16string(document.substr(content_start, content_end - content_start));
}

std::vector<std::u16string> SplitElements(std::u16string_view document, std::u16string_view name) {
  std::vector<std::u16string> elements;
  std::u16string open = u"<" + std::u16string(name) + u" ";
  if (document.find(open) == std::u16string_view::npos) open = u"<" + std::u16string(name) + u">";
  std::u16string close = u"</" + std::u16string(name) + u">";

  size_t start = document.find(open);
  while (start != std::u16string_view::npos) {
    const size_t search_from = start + open.size();
    size_t end = document.find(close, search_from);
    if (end == std::u16string_view::npos && close != u"/>") {
      // Without a closing tag the element is taken as self-closing, and so
      // is every later one of this split.
      close = u"/>";
      end = document.find(close, search_from);
    }
    const bool runs_to_end = end == std::u16string_view::npos;
    const size_t element_end = runs_to_end ? document.size() : end + close.size();
    if (element_end > start) elements.emplace_back(document.substr(start, element_end - start));
    if (runs_to_end) break;
    start = document.find(open, element_end);
  }
  return elements;
}

std::u16string StripCdata(std::u16string_view text) {
  static constexpr std::u16string_view kOpen = u"<![CDATA[";
  static constexpr std::u16string_view kClose = u"]]>";
  const size_t open = text.find(kOpen);
  if (open == std::u16string_view::npos) return std::u16string(text);
  const size_t inner = open + kOpen.size();
  const size_t close = text.find(kClose, inner);
  if (close == std::u16string_view::npos) return std::u16string(text);
  return std::u16string(text.substr(inner, close - inner));
}

}  // namespace dravanta
