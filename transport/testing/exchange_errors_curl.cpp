#include <curl/curl.h>

#include "transport/testing/exchange_errors.h"

namespace dravanta {

const ExchangeErrorNumbers& HttpLayerErrorNumbers() {
  static const ExchangeErrorNumbers numbers{CURLE_COULDNT_CONNECT, CURLE_URL_MALFORMAT,
                                            CURLE_PARTIAL_FILE, CURLE_OPERATION_TIMEDOUT};
  return numbers;
}

}  // namespace dravanta
