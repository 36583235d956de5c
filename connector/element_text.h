// A small element reader for the server's answer texts.
//
// The answers are read as plain text with exact, case-sensitive searches;
// nothing is parsed further and markup inside an element is kept. The
// readers never fail: a missing element gives an empty text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dravanta {

// The text between the first element `name`'s opening tag and its closing
// tag; up to the end of the document when the closing tag is missing; empty
// when there is no opening tag.
std::u16string GetElementText(std::u16string_view document, std::u16string_view name);

// Every element `name`, tags included, in document order. An element whose
// closing tag is missing ends at the next "/>" (and so does every later one),
// or at the end of the document.
std::vector<std::u16string> SplitElements(std::u16string_view document, std::u16string_view name);

// The text inside "<![CDATA[" ... "]]>" when text holds that wrapping, else
// text unchanged.
std::u16string StripCdata(std::u16string_view text);

}  // namespace dravanta
