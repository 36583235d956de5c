#include "ui/scan_argument.h"

#include "platform/ascii.h"

namespace dravanta {

std::u16string PercentDecode(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
        HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char16_t>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
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
