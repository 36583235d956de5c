#include "platform/wide_format.h"

#include <algorithm>

namespace dravanta {
namespace {

struct Spec {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  size_t width = 0;
  bool has_precision = false;
  size_t precision = 0;
  bool force_64_bit = false;
};

// Output that silently stops at the limit.
class Output {
 public:
  void Add(char16_t c) {
    if (text_.size() < kWideFormatLimit) text_ += c;
  }
  void Add(std::u16string_view s) {
    text_.append(s.substr(0, std::min(s.size(), kWideFormatLimit - text_.size())));
  }
  void Pad(char16_t c, size_t count) {
    text_.append(std::min(count, kWideFormatLimit - text_.size()), c);
  }
  bool full() const { return text_.size() >= kWideFormatLimit; }
  std::u16string Take() {
    // Never end on half of a surrogate pair that the limit cut.
    if (text_.size() == kWideFormatLimit && text_.back() >= 0xD800 && text_.back() <= 0xDBFF) {
      text_.pop_back();
    }
    return std::move(text_);
  }

 private:
  std::u16string text_;
};

// Reads a decimal count, capped so that a huge width cannot overflow.
size_t ReadCount(std::u16string_view format, size_t* pos) {
  size_t value = 0;
  while (*pos < format.size() && format[*pos] >= u'0' && format[*pos] <= u'9') {
    value = std::min<size_t>(value * 10 + (format[*pos] - u'0'), kWideFormatLimit);
    ++*pos;
  }
  return value;
}

void AddField(Output& out, const Spec& spec, std::u16string_view prefix, std::u16string_view body,
              bool zero_pad_allowed) {
  const size_t length = prefix.size() + body.size();
  const size_t padding = spec.width > length ? spec.width - length : 0;
  if (spec.left) {
    out.Add(prefix);
    out.Add(body);
    out.Pad(u' ', padding);
  } else if (spec.zero && zero_pad_allowed) {
    out.Add(prefix);
    out.Pad(u'0', padding);
    out.Add(body);
  } else {
    out.Pad(u' ', padding);
    out.Add(prefix);
    out.Add(body);
  }
}

void AddText(Output& out, const Spec& spec, std::u16string_view text) {
  if (spec.has_precision) text = text.substr(0, std::min(text.size(), spec.precision));
  AddField(out, spec, u"", text, true);
}

void AddInteger(Output& out, const Spec& spec, const FormatArg& arg, char16_t conversion) {
  const bool wide = arg.is_64_bit() || spec.force_64_bit;
  bool negative = false;
  uint64_t magnitude;
  const bool signed_conversion = conversion == u'd' || conversion == u'i';
  if (signed_conversion && arg.is_signed()) {
    const int64_t value = wide ? static_cast<int64_t>(arg.bits())
                               : static_cast<int32_t>(static_cast<uint32_t>(arg.bits()));
    negative = value < 0;
    magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  } else {
    magnitude = wide ? arg.bits() : static_cast<uint32_t>(arg.bits());
  }

  const bool hex = conversion == u'x' || conversion == u'X';
  const char16_t* digits = conversion == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
  const unsigned base = hex ? 16 : 10;
  std::u16string body;
  for (uint64_t v = magnitude; v != 0; v /= base) body += digits[v % base];
  if (spec.has_precision) {
    if (body.size() < spec.precision) body.append(spec.precision - body.size(), u'0');
  } else if (body.empty()) {
    body.push_back(u'0');
  }
  std::reverse(body.begin(), body.end());

  std::u16string_view prefix;
  if (negative) {
    prefix = u"-";
  } else if (hex && spec.alternate && magnitude != 0) {
    prefix = conversion == u'X' ? u"0X" : u"0x";
  }
  AddField(out, spec, prefix, body, !spec.has_precision);
}

void AddNumberAsWritten(Output& out, const Spec& spec, const FormatArg& arg) {
  AddInteger(out, spec, arg, arg.is_signed() ? u'd' : u'u');
}

}  // namespace

std::u16string FormatWideList(std::u16string_view format, std::span<const FormatArg> args) {
  Output out;
  size_t next_arg = 0;
  size_t pos = 0;
  while (pos < format.size() && !out.full()) {
    const char16_t c = format[pos];
    if (c != u'%') {
      out.Add(c);
      ++pos;
      continue;
    }
    const size_t start = pos++;
    Spec spec;
    for (; pos < format.size(); ++pos) {
      const char16_t flag = format[pos];
      if (flag == u'-') {
        spec.left = true;
      } else if (flag == u'0') {
        spec.zero = true;
      } else if (flag == u'#') {
        spec.alternate = true;
      } else {
        break;
      }
    }
    spec.width = ReadCount(format, &pos);
    if (pos < format.size() && format[pos] == u'.') {
      ++pos;
      spec.has_precision = true;
      spec.precision = ReadCount(format, &pos);
    }
    // Size prefixes: l and h (texts are UTF-16 either way), ll and I64 for
    // 64-bit integers, I32 for 32-bit ones.
    for (;;) {
      const std::u16string_view rest = format.substr(pos);
      if (rest.starts_with(u"I64") || rest.starts_with(u"ll")) {
        spec.force_64_bit = true;
        pos += rest[0] == u'I' ? 3 : 2;
      } else if (rest.starts_with(u"I32")) {
        pos += 3;
      } else if (!rest.empty() && (rest[0] == u'l' || rest[0] == u'h')) {
        ++pos;
      } else {
        break;
      }
    }
    if (pos >= format.size()) {
      out.Add(format.substr(start));
      break;
    }
    const char16_t conversion = format[pos++];
    switch (conversion) {
      case u'%':
        out.Add(u'%');
        break;
      case u's':
      case u'c':
      case u'd':
      case u'i':
      case u'u':
      case u'x':
      case u'X': {
        if (next_arg >= args.size()) break;
        const FormatArg& arg = args[next_arg++];
        if (conversion == u's') {
          if (arg.is_text()) {
            AddText(out, spec, arg.text());
          } else {
            AddNumberAsWritten(out, spec, arg);
          }
        } else if (arg.is_text()) {
          AddText(out, spec, arg.text());
        } else if (conversion == u'c') {
          const char16_t unit = static_cast<char16_t>(arg.bits());
          AddField(out, spec, u"", std::u16string_view(&unit, 1), true);
        } else {
          AddInteger(out, spec, arg, conversion);
        }
        break;
      }
      default:
        out.Add(format.substr(start, pos - start));
        break;
    }
  }
  return out.Take();
}

}  // namespace dravanta
