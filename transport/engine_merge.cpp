#include "transport/engine_merge.h"

#include <algorithm>
#include <string_view>

namespace dravanta {
namespace {

// Removing an occurrence can join the text around it into a new one (as in
// "<method_<method_response>response>"), so the search after each removal
// starts early enough to see it: a joined occurrence spans the point of
// removal. The markers cannot overlap themselves, so the kept occurrence
// is never part of a joined one.
void KeepFirstOccurrence(std::string* text, std::string_view marker) {
  const size_t first = text->find(marker);
  if (first == std::string::npos) return;
  size_t from = first + 1;
  while (true) {
    const size_t next = text->find(marker, from);
    if (next == std::string::npos) return;
    text->erase(next, marker.size());
    from = std::max(first + 1, next + 1 > marker.size() ? next + 1 - marker.size() : 0);
  }
}

void KeepLastOccurrence(std::string* text, std::string_view marker) {
  size_t last = text->rfind(marker);
  if (last == std::string::npos || last == 0) return;
  size_t from = last - 1;
  while (true) {
    const size_t earlier = text->rfind(marker, from);
    if (earlier == std::string::npos) return;
    text->erase(earlier, marker.size());
    last -= marker.size();  // the kept one moved with the text after it
    if (last == 0) return;
    from = std::min(earlier, last - 1);
  }
}

}  // namespace

std::string MergeEngineDocuments(std::string text) {
  // Removing one marker can also join the text around it into one of the
  // markers handled before it, so the removals repeat until none is left.
  size_t length;
  do {
    length = text.size();
    KeepFirstOccurrence(&text, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    KeepFirstOccurrence(&text, "<method_response>");
    KeepFirstOccurrence(&text, "<name>getengineinfo</name>");
    KeepLastOccurrence(&text, "</method_response>");
  } while (text.size() != length);
  return text;
}

}  // namespace dravanta
