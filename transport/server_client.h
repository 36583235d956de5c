// The client of the scanning server's XML-over-HTTP interface, reached
// through one table of entry points.
//
// Every entry point returns a transport result code. Answer texts are newly
// allocated, zero-terminated UTF-16 texts holding one code unit per byte of
// the server's answer (no decoding); the caller owns them until it hands
// them to FreeResult. An answer is allocated on every call, also on failure
// (then it is empty or an XML error document).
#pragma once

#include <cstdint>

namespace dravanta {

using TransportCode = std::uint32_t;

inline constexpr TransportCode TransportOk = 0;
// The server could not be reached or answered with an error; also the answer
// of Initialise when there is no server.
inline constexpr TransportCode TransportFailed = 0x20001001;
// Bad option name or value, bad request arguments, unusable server address,
// empty server list, unreadable file.
inline constexpr TransportCode TransportInvalidArgument = 0x20001002;

// ScanMultiple flag: every object is a local file path whose SHA-1
// signature is sent instead of the file.
inline constexpr std::uint32_t ScanBySignature = 0x1;

// The entry points, in slot order.
struct ServerClient {
  // Fills defaults, computes the hardware identifier, orders the servers.
  // TransportOk, or TransportFailed when there is no server.
  TransportCode (*Initialise)();
  // Leaves the initialised state; options and servers stay.
  TransportCode (*Deinitialise)();
  // name and value are zero-terminated UTF-16. TransportInvalidArgument for
  // an unknown name or a null value.
  TransportCode (*SetOption)(const char16_t* name, const char16_t* value);
  // Uploads one whole file (flags 0). *result receives the answer text.
  TransportCode (*ScanObject)(std::uint32_t flags, const char16_t* object, char16_t** result);
  // Looks up count files by signature (flags ScanBySignature) in one request.
  TransportCode (*ScanMultiple)(std::uint32_t flags, const char16_t* const* objects,
                                std::uint32_t count, char16_t** result);
  // Not part of this client's protocol: answers TransportInvalidArgument
  // with an empty (allocated) text.
  TransportCode (*AnalyzeFileType)(std::uint32_t flags, const char16_t* object, char16_t** result);
  // Releases an answer text; a null pointer is ignored.
  TransportCode (*FreeResult)(char16_t* text);
  // Asks every server for its engines; one merged "method_response" text.
  TransportCode (*GetEngineInfo)(char16_t** result);
};

// The filled table of the transport linked into this program.
const ServerClient& GetServerClient();

// Forgets every option, the server list and the initialised state, as at
// process start. For tests that set up the transport more than once.
void ResetServerClient();

}  // namespace dravanta
