#include "connector/connector_options.h"

#include <limits>

namespace dravanta {
namespace {

bool IsWideSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

bool ParseBooleanOption(std::u16string_view value) { return value != u"0"; }

int32_t ParseIntegerOption(std::u16string_view value) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  size_t i = 0;
  while (i < value.size() && IsWideSpace(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  int64_t magnitude = 0;
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    // Past the 32-bit range the number only saturates; stop growing it.
    if (magnitude <= kMax + 1) magnitude = magnitude * 10 + (value[i] - u'0');
  }
  const int64_t number = negative ? -magnitude : magnitude;
  if (number > kMax) return static_cast<int32_t>(kMax);
  if (number < kMin) return static_cast<int32_t>(kMin);
  return static_cast<int32_t>(number);
}

int32_t StoreConnectorOption(ConnectorOptions& options, const char16_t* name,
                             const char16_t* value) {
  if (name == nullptr || value == nullptr) return kOptionRefused;
  const std::u16string_view key(name);
  const std::u16string_view text(value);
  std::u16string* text_option = nullptr;
  bool* boolean_option = nullptr;
  int32_t* integer_option = nullptr;
  if (key == u"ServerURL") {
    text_option = &options.server_url;
  } else if (key == u"ServerIP") {
    text_option = &options.server_ip;
  } else if (key == u"ServerPort") {
    text_option = &options.server_port;
  } else if (key == u"ServerCustomKey") {
    text_option = &options.server_custom_key;
  } else if (key == u"ServerProxyName") {
    text_option = &options.server_proxy_name;
  } else if (key == u"ServerProxyUser") {
    text_option = &options.server_proxy_user;
  } else if (key == u"ServerProxyPass") {
    text_option = &options.server_proxy_pass;
  } else if (key == u"ServerCertCheck") {
    boolean_option = &options.server_cert_check;
  } else if (key == u"ServerRandomServer") {
    boolean_option = &options.server_random_server;
  } else if (key == u"UseUserProxy") {
    boolean_option = &options.use_user_proxy;
  } else if (key == u"ThreadCount") {
    integer_option = &options.thread_count;
  } else if (key == u"BatchSize") {
    integer_option = &options.batch_size;
  } else if (key == u"MaxFileSizeBytes") {
    integer_option = &options.max_file_size_bytes;
  } else {
    return kOptionRefused;
  }
  if (text_option != nullptr) *text_option = text;
  if (boolean_option != nullptr) *boolean_option = ParseBooleanOption(text);
  if (integer_option != nullptr) *integer_option = ParseIntegerOption(text);
  return kOptionStored;
}

}  // namespace dravanta
