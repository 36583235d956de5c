// A dialog wired to the fake connector, a registry store and report folders
// in a temporary folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "platform/path_separator.h"
#include "platform/registry_store.h"
#include "platform/text.h"
#include "tests/support/scratch_tree.h"
#include "ui/main_dialog.h"
#include "ui/testing/fake_connector.h"

namespace dravanta {

class DialogFixture : public testing::Test {
 protected:
  void SetUp() override {
    ResetFakeConnector();
    root_ = scratch_.root();
    std::filesystem::create_directories(root_ / "program");
    std::filesystem::create_directories(root_ / "home");
    settings_.module_directory = Utf8ToUtf16((root_ / "program").string()) + kPathSeparator;
    settings_.server = u"127.0.0.1:8008/dravanta_rest";
    settings_.key = u"KEY-1";
    settings_.allowed_scan_levels = u"1,2";
  }
  void TearDown() override { dialog_.reset(); }

  DialogServices Services() {
    DialogServices services;
    services.connector = FakeConnector();
    services.registry_store = RegistryPath();
    services.report_folders.homeFolder = Utf8ToUtf16((root_ / "home").string());
    services.close_grace = std::chrono::milliseconds(0);
    return services;
  }
  std::u16string RegistryPath() const {
    return Utf8ToUtf16((root_ / "state" / "registry.ini").string());
  }
  std::u16string RegistryKey() const { return u"Software\\VARNOK\\QN5RA\\" + settings_.server; }
  // The value, or -1 when it was never written.
  int64_t Registry(std::u16string_view name) const {
    uint32_t value = 0;
    return ReadRegistryDword(RegistryPath(), RegistryKey(), name, &value) ? int64_t{value} : -1;
  }

  CQn5raClntDlg& Dialog() {
    if (!dialog_) {
      dialog_ = std::make_unique<CQn5raClntDlg>(Services());
      dialog_->SetSettings(settings_);
    }
    return *dialog_;
  }

  // Bounded wait for a condition that another thread brings about.
  static bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
  }

  // Runs ScanNow and waits until the start operation has been called.
  void StartScan(std::u16string_view argument) {
    const int before = FakeRecord().starts;
    Dialog().OnBeforeNavigate(u"app:1005@ScanNow:" + std::u16string(argument));
    ASSERT_TRUE(WaitForStarts(before + 1));
  }
  bool WaitForStatus(std::u16string_view status) {
    return Eventually([&] { return Dialog().StatusText() == status; });
  }
  void Complete(bool threats, int32_t files, int32_t code, std::u16string_view message = u"") {
    const FakeConnectorRecord r = FakeRecord();
    r.completion(r.context, threats, files, code, message);
  }

  ScratchTree scratch_;  // removed after the members below
  std::filesystem::path root_;
  ClientSettings settings_;
  std::unique_ptr<CQn5raClntDlg> dialog_;
};

}  // namespace dravanta
