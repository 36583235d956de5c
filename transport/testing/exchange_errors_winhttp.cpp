#include <windows.h>
#include <winhttp.h>

#include "transport/testing/exchange_errors.h"

namespace dravanta {

const ExchangeErrorNumbers& HttpLayerErrorNumbers() {
  static const ExchangeErrorNumbers numbers{ERROR_WINHTTP_CANNOT_CONNECT, ERROR_WINHTTP_INVALID_URL,
                                            ERROR_WINHTTP_CONNECTION_ERROR, ERROR_WINHTTP_TIMEOUT};
  return numbers;
}

}  // namespace dravanta
