#include "transport/exchange_failure.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace dravanta {
namespace {

TEST(ExchangeFailureTest, EachFailureGetsTheMessageOfItsStep) {
  TransferProgress get{.is_get = true};
  TransferProgress get_sent{.is_get = true, .request_sent = true};
  TransferProgress post_sent{.request_sent = true, .body_started = true, .body_finished = true};
  TransferProgress upload_midway{.is_upload = true, .request_sent = true, .body_started = true};
  TransferProgress upload_done{
      .is_upload = true, .request_sent = true, .body_started = true, .body_finished = true};
  TransferProgress reading{.request_sent = true, .body_finished = true, .headers_received = true};
  TransferProgress too_large{.request_sent = true, .body_finished = true, .answer_too_large = true};
  TransferProgress file_failed{.is_upload = true, .body_started = true, .file_read_failed = true};
  struct Case {
    int code;
    TransferProgress progress;
    const char* message;
  };
  const Case cases[] = {
      {CURLE_COULDNT_CONNECT, get, "WinHttpSendRequest failed (0x00000007)"},
      {CURLE_COULDNT_RESOLVE_HOST, TransferProgress{}, "WinHttpSendRequest failed (0x00000006)"},
      {CURLE_PEER_FAILED_VERIFICATION, TransferProgress{},
       "WinHttpSendRequest failed (0x0000003C)"},
      {CURLE_OPERATION_TIMEDOUT, TransferProgress{}, "WinHttpSendRequest failed (0x0000001C)"},
      {CURLE_GOT_NOTHING, get_sent, "WinHttpReceiveResponse failed (0x00000034)"},
      {CURLE_OPERATION_TIMEDOUT, post_sent, "WinHttpReceiveResponse failed (0x0000001C)"},
      {CURLE_SEND_ERROR, upload_midway, "WinHttpWriteData failed (0x00000037)"},
      {CURLE_RECV_ERROR, upload_done, "WinHttpReceiveResponse failed (0x00000038)"},
      {CURLE_PARTIAL_FILE, reading, "error 18 in WinHttpReadData."},
      {CURLE_OUT_OF_MEMORY, reading, "out of memory while receiving response"},
      {CURLE_WRITE_ERROR, too_large, "out of memory while receiving response"},
      {CURLE_ABORTED_BY_CALLBACK, file_failed, "Failed to read data from file"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TransferFailureMessage(c.code, c.progress), c.message) << "curl code " << c.code;
  }
}

}  // namespace
}  // namespace dravanta
