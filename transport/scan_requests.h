// The server methods on top of the exchange: trying servers one after
// another, the "scan" upload, the "scanmultiple" lookup and "getengineinfo".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transport/http_exchange.h"

namespace dravanta {

// Runs the request on each server in order until one answers TransportOk;
// the result is that of the last attempt. No server: invalid argument.
ExchangeResult TryServers(ServerRequest request, const std::vector<std::string>& servers);

// Size of a local file, or TransportInvalidArgument with the
// "failed to read file '%s' (%u)" document.
ExchangeResult QueryFileSize(std::string_view path, std::uint64_t* size);

// An object text naming a local file (it holds the system's path separator,
// "/" or "\\") rather than a signature given as text.
bool IsLocalFilePath(std::string_view object);

// Uploads the file at a UTF-8 path with "scan".
ExchangeResult ScanFile(std::string_view path, const std::vector<std::string>& servers);

// The "|"-joined signature list of the objects (paths are hashed, a failed
// hash gives the all-zero signature, other texts are taken as they are).
std::string SignatureList(const std::vector<std::string>& objects);

// Looks the objects up with "scanmultiple".
ExchangeResult LookUpSignatures(const std::vector<std::string>& objects,
                                const std::vector<std::string>& servers);

// Asks every server with "getengineinfo" and merges the answers.
ExchangeResult FetchEngineInfo(const std::vector<std::string>& servers);

}  // namespace dravanta
