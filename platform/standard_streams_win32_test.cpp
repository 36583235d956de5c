#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "internal/wide_win32.h"
#include "platform/standard_streams.h"
#include "platform/testing/win32_test_files.h"

namespace dravanta {
namespace {

// Puts `handle` in place of the standard stream `which` for one scope.
class SwappedStdHandle {
 public:
  SwappedStdHandle(DWORD which, HANDLE handle) : which_(which), saved_(GetStdHandle(which)) {
    SetStdHandle(which, handle);
  }
  ~SwappedStdHandle() { SetStdHandle(which_, saved_); }
  SwappedStdHandle(const SwappedStdHandle&) = delete;
  SwappedStdHandle& operator=(const SwappedStdHandle&) = delete;

 private:
  DWORD which_;
  HANDLE saved_;
};

std::u16string TemporaryFile() {
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t file[MAX_PATH + 1] = {};
  GetTempPathW(ARRAYSIZE(folder), folder);
  GetTempFileNameW(folder, L"dvs", 0, file);
  return FromWide(file, wcslen(file));
}

TEST(StandardStreamsWin32Test, BytesReachAFileUnchanged) {
  const std::u16string path = TemporaryFile();
  const std::string bytes = std::string("caf\xC3\xA9\r\n", 7) + std::string(1, '\0') + "end";
  for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE file = CreateFileW(WideOf(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
      SwappedStdHandle swap(which, file);
      const bool written =
          which == STD_OUTPUT_HANDLE ? WriteStandardOutput(bytes) : WriteStandardError(bytes);
      EXPECT_TRUE(written);
      if (which == STD_ERROR_HANDLE) {
        EXPECT_FALSE(StandardErrorIsTerminal());
      }
    }
    CloseHandle(file);
    EXPECT_EQ(ReadWholeFile(path), bytes);
  }
  DeleteFileW(WideOf(path));
}

TEST(StandardStreamsWin32Test, AStreamThatCannotTakeTheBytesIsAFailure) {
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
  CloseHandle(reader);  // nobody reads: the pipe is broken
  {
    SwappedStdHandle swap(STD_OUTPUT_HANDLE, writer);
    EXPECT_FALSE(WriteStandardOutput("lost"));
  }
  CloseHandle(writer);
  {
    SwappedStdHandle swap(STD_ERROR_HANDLE, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteStandardError("lost"));
  }
}

}  // namespace
}  // namespace dravanta
