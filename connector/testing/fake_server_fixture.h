// A fixture for connector tests over the real transport: a fake scanning
// server on loopback with three engines, a scratch tree for the files, and
// the process-wide client and properties reset around each test.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "transport/client_properties.h"
#include "transport/server_client.h"

namespace dravanta {

// Base is testing::Test, or testing::TestWithParam<...> for a table of cases.
template <class Base = testing::Test>
class FakeServerFixture : public Base {
 protected:
  void SetUp() override {
    ResetServerClient();
    ClearProperties();
    ASSERT_TRUE(server_.Start());
    server_.SetEngines(3);
  }
  void TearDown() override { ResetServerClient(); }

  ScratchTree tree_;
  FakeScanServer server_;
};

}  // namespace dravanta
