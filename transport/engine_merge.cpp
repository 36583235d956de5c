#include "transport/engine_merge.h"

#include <string_view>

namespace dravanta {
namespace {

void KeepFirstOccurrence(std::string* text, std::string_view marker) {
  size_t first = text->find(marker);
  if (first == std::string::npos) return;
  size_t from = first + 1;
  while (true) {
    size_t next = text->find(marker, from);
    if (next == std::string::npos) return;
    text->erase(next, marker.size());
    from = next;
  }
}

void KeepLastOccurrence(std::string* text, std::string_view marker) {
  size_t last = text->rfind(marker);
  if (last == std::string::npos || last == 0) return;
  size_t from = last - 1;
  while (true) {
    size_t earlier = text->rfind(marker, from);
    if (earlier == std::string::npos) return;
    text->erase(earlier, marker.size());
    if (earlier == 0) return;
    from = earlier - 1;
  }
}

}  // namespace

std::string MergeEngineDocuments(std::string text) {
  KeepFirstOccurrence(&text, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  KeepFirstOccurrence(&text, "<method_response>");
  KeepFirstOccurrence(&text, "<name>getengineinfo</name>");
  KeepLastOccurrence(&text, "</method_response>");
  return text;
}

}  // namespace dravanta
