#include <gtest/gtest.h>
#include <windows.h>

#include "platform/last_error.h"

namespace dravanta {
namespace {

TEST(LastErrorWin32Test, ScopeRestoresTheCodeItFound) {
  SetLastErrorCode(ERROR_FILE_NOT_FOUND);
  {
    ScopedLastErrorCode saved;
    SetLastErrorCode(ERROR_ACCESS_DENIED);
    EXPECT_EQ(LastErrorCode(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(LastErrorCode(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(LastErrorWin32Test, ScopeUndoesAFailedSystemCall) {
  SetLastError(ERROR_SUCCESS);
  {
    ScopedLastErrorCode saved;
    const HANDLE file = CreateFileW(L"Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(LastErrorCode(), ERROR_SUCCESS);
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
}  // namespace dravanta
