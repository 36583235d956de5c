#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "internal/wide_win32.h"
#include "platform/open_url.h"
#include "platform/testing/win32_test_files.h"

namespace dravanta {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kScheme[] = L"dravanta-open-test";

// A URL scheme of the machine (Wine takes none from the user's classes)
// whose "open" runs cmd.exe, which writes the
// address it was given into `record`: the shell's "open" can then be
// watched without a browser or a display.
class SchemeHandler {
 public:
  explicit SchemeHandler(const std::u16string& record) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::u16string command =
        u"\"" + FromWide(system, wcslen(system)) + u"\\cmd.exe\" /c echo %1> \"" + record + u"\"";
    HKEY scheme = nullptr;
    HKEY open = nullptr;
    const std::u16string marker = u"URL:dravanta open test";
    ok_ = RegCreateKeyExW(HKEY_CLASSES_ROOT, kScheme, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &scheme, nullptr) == ERROR_SUCCESS &&
          RegSetValueExW(scheme, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(marker.c_str()),
                         static_cast<DWORD>((marker.size() + 1) * 2)) == ERROR_SUCCESS &&
          RegSetValueExW(scheme, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                         2) == ERROR_SUCCESS &&
          RegCreateKeyExW(scheme, L"shell\\open\\command", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &open, nullptr) == ERROR_SUCCESS &&
          RegSetValueExW(open, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * 2)) == ERROR_SUCCESS;
    if (open != nullptr) RegCloseKey(open);
    if (scheme != nullptr) RegCloseKey(scheme);
  }
  ~SchemeHandler() { RegDeleteTreeW(HKEY_CLASSES_ROOT, kScheme); }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// The file's content once it holds a whole line, waiting at most 20 s.
std::string WaitForLine(const std::u16string& path) {
  for (int i = 0; i < 200; ++i) {
    const std::string content = ReadWholeFile(path);
    if (content.find('\n') != std::string::npos) return content;
    std::this_thread::sleep_for(100ms);
  }
  return ReadWholeFile(path);
}

TEST(OpenUrlWin32, TheShellHandsTheAddressToItsSchemesHandler) {
  const std::u16string folder = NewTemporaryFolder(u"open-url-");
  ASSERT_FALSE(folder.empty());
  const std::u16string record = folder + u"\\opened.txt";
  SchemeHandler handler(record);
  ASSERT_TRUE(handler.ok());
  EXPECT_TRUE(OpenUrlOnDesktop(u"dravanta-open-test:page?x=1"));
  EXPECT_EQ(WaitForLine(record), "dravanta-open-test:page?x=1\r\n");
  DeleteFileW(WideOf(record));
  RemoveDirectoryW(WideOf(folder));
}

TEST(OpenUrlWin32, AddressesNothingCanOpenAreReportedAsFailures) {
  for (const char16_t* url :
       {u"", u"-e", u"dravanta-no-such-scheme:x", u"C:\\no\\such\\folder\\file.none"}) {
    SCOPED_TRACE(std::string(url, url + std::char_traits<char16_t>::length(url)).c_str());
    EXPECT_FALSE(OpenUrlOnDesktop(url));
  }
}

TEST(OpenUrlWin32, NoBrowserIsOfferedWhenTheVariableSaysSo) {
  SetEnvironmentVariableW(L"DRAVANTA_NO_BROWSER", L"1");
  _putenv("DRAVANTA_NO_BROWSER=1");
  EXPECT_FALSE(DesktopBrowserAvailable());
  _putenv("DRAVANTA_NO_BROWSER=");
}

}  // namespace
}  // namespace dravanta
