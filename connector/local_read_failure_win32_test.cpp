// The reading of local failures with the Windows error numbers the file
// reader reports (the POSIX numbers are in local_read_failure_test.cpp).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "connector/local_read_failure.h"
#include "platform/error_number.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
// ERROR_SHARING_VIOLATION (a file another program holds without sharing).
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kAccessDenied = 5;
constexpr int kSharingViolation = 32;

std::u16string OpenFailed(int error_number) {
  return u"failed to read file 'C:\\x' (" + Utf8ToUtf16(std::to_string(error_number)) + u")";
}

TEST(LocalReadFailureWin32, TellsUnreadableAndVanishedFilesByWindowsNumbers) {
  ScratchTree tree;
  const std::u16string here = Utf8ToUtf16(tree.WriteFile("here", "0123456789"));
  const std::u16string shrunk = Utf8ToUtf16(tree.WriteFile("shrunk", "012"));
  const std::u16string gone = Utf8ToUtf16(tree.PathOf("gone"));
  const std::u16string denied =
      u"could not be opened: " + Utf8ToUtf16(OpenFailureText(kAccessDenied));
  const std::u16string locked =
      u"could not be opened: " + Utf8ToUtf16(OpenFailureText(kSharingViolation));
  struct Case {
    std::u16string error_text;
    std::u16string path;
    std::optional<ScanOutcome> code;  // nothing: not a local read failure
    std::u16string reason;
  };
  const Case cases[] = {
      {OpenFailed(kFileNotFound), gone, kOutcomeVanished, u"gone before it could be read"},
      {OpenFailed(kPathNotFound), gone, kOutcomeVanished, u"gone before it could be read"},
      {OpenFailed(kAccessDenied), here, kOutcomeUnreadable, denied},
      {OpenFailed(kSharingViolation), here, kOutcomeUnreadable, locked},
      {u"Failed to read data from file", shrunk, kOutcomeUnreadable,
       u"the file shrank while it was read"},
      {u"Failed to read data from file", here, kOutcomeUnreadable,
       u"reading the file failed while it was sent"},
      {u"Failed to read data from file", gone, kOutcomeVanished, u"gone before it could be read"},
      {u"WinHttpSendRequest failed (0x00002EFD)", here, std::nullopt, u""},
  };
  for (const Case& c : cases) {
    const std::optional<LocalReadFailure> failure =
        ClassifyLocalReadFailure(c.error_text, c.path, 10);
    ASSERT_EQ(failure.has_value(), c.code.has_value()) << Utf16ToUtf8(c.error_text);
    if (!failure) continue;
    EXPECT_EQ(failure->code, *c.code) << Utf16ToUtf8(c.error_text);
    EXPECT_EQ(failure->reason, c.reason) << Utf16ToUtf8(c.error_text);
  }
  // The system's own texts, not a bare number.
  EXPECT_NE(denied.find(u"denied"), std::u16string::npos) << Utf16ToUtf8(denied);
}

}  // namespace
}  // namespace dravanta
