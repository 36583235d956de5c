// The connector's named options, as the user interface hands them over.
//
// Names are matched exactly. Text options are kept as given; a boolean is
// false only for the text "0"; an integer is read by the C library's
// wide-text-to-long rule. A badly formed value is never refused.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dravanta {

struct ConnectorOptions {
  std::u16string server_url;  // "ServerURL": ";"-separated server texts
  std::u16string server_ip;
  std::u16string server_port;
  std::u16string server_custom_key;
  std::u16string server_proxy_name;
  std::u16string server_proxy_user;
  std::u16string server_proxy_pass;
  bool server_cert_check = false;
  bool server_random_server = false;
  bool use_user_proxy = true;
  int32_t thread_count = 5;
  int32_t batch_size = 100;
  int32_t max_file_size_bytes = 5242880;  // 5 MiB
};

// Results of StoreConnectorOption (and SetConnectorOption).
inline constexpr int32_t kOptionStored = 0;
inline constexpr int32_t kOptionNotInitialised = 1;
inline constexpr int32_t kOptionRefused = 2;  // missing name or value, or unknown name

// Stores value under name. kOptionRefused for a null name or value or a name
// that is not an option.
int32_t StoreConnectorOption(ConnectorOptions& options, const char16_t* name,
                             const char16_t* value);

// The boolean rule: false exactly for "0".
bool ParseBooleanOption(std::u16string_view value);

// The integer rule: leading white space, an optional sign and decimal digits;
// the first other character ends the number; no digits give 0; out of range
// gives the nearest 32-bit limit.
int32_t ParseIntegerOption(std::u16string_view value);

}  // namespace dravanta
