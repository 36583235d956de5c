#include "platform/last_error.h"

#include <errno.h>

namespace dravanta {

int LastErrorCode() { return errno; }
void SetLastErrorCode(int code) { errno = code; }

}  // namespace dravanta
