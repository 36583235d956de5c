#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "internal/wide_win32.h"
#include "platform/error_number.h"
#include "platform/executable_path.h"

namespace dravanta {
namespace {

DWORD OpenError(const std::u16string& path) {
  const HANDLE file = CreateFileW(WideOf(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(file);
  return ERROR_SUCCESS;
}

std::u16string TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(ARRAYSIZE(buffer), buffer);
  return FromWide(buffer, n);
}

TEST(ErrorNumberWin32Test, CodesOfAFileThatIsNotThereMeanMissing) {
  struct Case {
    int code;
    bool missing;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, true}, {ERROR_PATH_NOT_FOUND, true},     {ERROR_SUCCESS, false},
      {ERROR_ACCESS_DENIED, false}, {ERROR_SHARING_VIOLATION, false}, {ERROR_LOCK_VIOLATION, false},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorMeansMissing(c.code), c.missing) << c.code;
}

TEST(ErrorNumberWin32Test, RealOpenFailuresOfMissingFilesMeanMissing) {
  const std::u16string folder = TemporaryFolder();
  ASSERT_FALSE(folder.empty());
  // A missing file, a file in a missing folder, a file "inside" a file.
  const std::u16string paths[] = {
      folder + u"dravanta-missing-file.bin",
      folder + u"dravanta-missing-folder\\file.bin",
      ExecutablePath() + u"\\file.bin",
  };
  for (const std::u16string& path : paths) {
    const DWORD code = OpenError(path);
    EXPECT_TRUE(ErrorMeansMissing(static_cast<int>(code))) << code;
  }
}

TEST(ErrorNumberWin32Test, OpenFailureTextIsTheSystemsOneLine) {
  for (int code : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND}) {
    const std::string text = OpenFailureText(code);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
    EXPECT_NE(text, "error " + std::to_string(code));
  }
  EXPECT_EQ(OpenFailureText(0x2FFFFFFF), "error " + std::to_string(0x2FFFFFFF));
}

}  // namespace
}  // namespace dravanta
