// Which step of an exchange a transfer failure belongs to, and its message.
#pragma once

#include <string>

namespace dravanta {

// How far a transfer got before it failed.
struct TransferProgress {
  bool is_get = false;
  bool is_upload = false;         // body streamed from a file
  bool request_sent = false;      // request headers went out
  bool body_started = false;      // some body bytes were taken
  bool body_finished = false;     // every body byte was taken
  bool headers_received = false;  // the final response's header block arrived whole
  bool file_read_failed = false;  // the upload file failed or ended early
  bool file_seek_failed = false;
  bool answer_too_large = false;  // the answer passed MaxAnswerBytes
};

// Family of a libcurl result code.
enum class FailureKind { OutOfMemory, Connect, Send, Receive, Other };
FailureKind ClassifyCurlCode(int curl_code);

// The message text of the step that failed, e.g.
// "WinHttpSendRequest failed (0x00000007)".
std::string TransferFailureMessage(int curl_code, const TransferProgress& progress);

}  // namespace dravanta
