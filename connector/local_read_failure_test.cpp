#include "connector/local_read_failure.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {
namespace {

TEST(LocalReadFailure, TellsUnreadableAndVanishedFilesFromServerFailures) {
  ScratchTree tree;
  tree.AddFile("here", 10);
  tree.AddFile("shrunk", 3);
  const std::u16string here = Utf8ToUtf16(tree.PathOf("here"));
  const std::u16string shrunk = Utf8ToUtf16(tree.PathOf("shrunk"));
  const std::u16string gone = Utf8ToUtf16(tree.PathOf("gone"));
  struct Case {
    std::u16string error_text;
    std::u16string path;
    uint64_t listed_size;
    std::optional<ScanOutcome> code;  // nothing: not a local read failure
    std::u16string reason;
  };
  const Case cases[] = {
      {u"failed to read file '/x' (13)", here, 10, kOutcomeUnreadable,
       u"could not be opened: Permission denied"},
      {u"failed to read file '/x (1)' (2)", gone, 10, kOutcomeVanished,
       u"gone before it could be read"},
      {u"failed to read file '/x' (20)", gone, 10, kOutcomeVanished,
       u"gone before it could be read"},
      {u"failed to read file '/x' (21)", here, 10, kOutcomeUnreadable,
       u"could not be opened: no longer a regular file"},
      {u"failed to read file '/x' (40)", here, 10, kOutcomeUnreadable,
       u"could not be opened: a link took the file's place"},
      {u"failed to read file '/x' (0)", here, 10, kOutcomeUnreadable, u"could not be read"},
      {u"Failed to read data from file", shrunk, 10, kOutcomeUnreadable,
       u"the file shrank while it was read"},
      {u"Failed to read data from file", here, 10, kOutcomeUnreadable,
       u"reading the file failed while it was sent"},
      {u"Failed to read data from file", gone, 10, kOutcomeVanished,
       u"gone before it could be read"},
      {u"HTTP/1.1 500 Internal Server Error", here, 10, std::nullopt, u""},
      {u"WinHttpSendRequest failed (0x00000007)", here, 10, std::nullopt, u""},
      {u"", here, 10, std::nullopt, u""},
  };
  for (const Case& c : cases) {
    const std::optional<LocalReadFailure> failure =
        ClassifyLocalReadFailure(c.error_text, c.path, c.listed_size);
    ASSERT_EQ(failure.has_value(), c.code.has_value()) << Utf16ToUtf8(c.error_text);
    if (!failure) continue;
    EXPECT_EQ(failure->code, *c.code) << Utf16ToUtf8(c.error_text);
    EXPECT_EQ(failure->reason, c.reason) << Utf16ToUtf8(c.error_text);
  }
}

}  // namespace
}  // namespace dravanta
