#include "ui/scan_argument.h"

namespace dravanta {
namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::u16string PercentDecode(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char16_t>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

ScanPlan PlanScan(std::u16string_view argument) {
  ScanPlan plan;
  const size_t bar = argument.find(u'|');
  std::u16string paths;
  if (bar == std::u16string_view::npos) {
    plan.level = argument;
  } else {
    plan.level = argument.substr(0, bar);
    paths = PercentDecode(argument.substr(bar + 1));
  }
  if (plan.level == u"0") {
    plan.scanType = 1;
    plan.location = paths;
    plan.changes_location = true;
  } else if (plan.level == u"2") {
    plan.all_modules = true;
    plan.changes_modules = true;
  } else if (plan.level == u"3") {
    plan.scanType = 1;
    plan.location = u"ALL";
    plan.changes_location = true;
  } else {
    plan.all_modules = false;
    plan.changes_modules = true;
  }
  return plan;
}

}  // namespace dravanta
