#include "ui/client_version.h"

#include "platform/text.h"

#ifndef DRAVANTA_CLIENT_VERSION
#error "DRAVANTA_CLIENT_VERSION must be defined by the build"
#endif

namespace dravanta {

std::u16string ClientVersion() { return Utf8ToUtf16(DRAVANTA_CLIENT_VERSION); }

}  // namespace dravanta
