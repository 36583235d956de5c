#include <windows.h>

#include "platform/last_error.h"

namespace dravanta {

// The system's error codes are DWORDs; every code it defines fits an int.
int LastErrorCode() { return static_cast<int>(GetLastError()); }
void SetLastErrorCode(int code) { SetLastError(static_cast<DWORD>(code)); }

}  // namespace dravanta
