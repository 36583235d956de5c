#include "shell/client_version.h"

#ifndef DRAVANTA_CLIENT_VERSION
#error "DRAVANTA_CLIENT_VERSION must be defined by the build"
#endif

namespace dravanta {

#define DRAVANTA_WIDEN_(text) u##text
#define DRAVANTA_WIDEN(text) DRAVANTA_WIDEN_(text)

std::u16string_view ClientVersion() { return DRAVANTA_WIDEN(DRAVANTA_CLIENT_VERSION); }

}  // namespace dravanta
