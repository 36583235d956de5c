#include "connector/error_message_hook.h"

namespace dravanta {
namespace {

void IgnoreErrorMessage(std::u16string_view) {}

}  // namespace

std::atomic<ErrorMessageFunction> ErrorMessageHook{&IgnoreErrorMessage};

void ReportConnectorError(std::u16string_view message) {
  const ErrorMessageFunction hook = ErrorMessageHook.load();
  if (hook != nullptr) hook(message);
}

}  // namespace dravanta
