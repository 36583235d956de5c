#include "transport/scan_requests.h"

#include "platform/file_reader.h"
#include "platform/path_separator.h"
#include "transport/engine_merge.h"
#include "transport/error_document.h"
#include "transport/file_signature.h"

namespace dravanta {

ExchangeResult TryServers(ServerRequest request, const std::vector<std::string>& servers) {
  ExchangeResult result{TransportInvalidArgument, {}};
  for (const std::string& server : servers) {
    request.server_url = server;
    result = PerformRequest(request);
    if (result.code == TransportOk) break;
  }
  return result;
}

ExchangeResult QueryFileSize(std::string_view path, std::uint64_t* size) {
  ReadableFile file;
  int error_number = 0;
  if (!OpenReadableFile(path, &file, &error_number)) {
    std::string terminated(path);
    return {TransportInvalidArgument,
            MakeErrorDocument(FormatMessageText("failed to read file '%s' (%u)", terminated.c_str(),
                                                static_cast<unsigned>(error_number)))};
  }
  ReadableFileCloser closer{&file};
  if (!ReadableFileSize(file, size)) {
    return {TransportInvalidArgument,
            MakeErrorDocument(
                FormatMessageText("failed to read file '%s' (%u)", std::string(path).c_str(), 0u))};
  }
  return {TransportOk, {}};
}

bool IsLocalFilePath(std::string_view object) {
  return object.find(static_cast<char>(kPathSeparator)) != std::string_view::npos;
}

ExchangeResult ScanFile(std::string_view path, const std::vector<std::string>& servers) {
  std::uint64_t size = 0;
  ExchangeResult sized = QueryFileSize(path, &size);
  if (sized.code != TransportOk) return sized;
  ServerRequest request;
  request.method = "scan";
  request.verb = "POST";
  request.data = std::string(path);
  request.data_length = size;
  request.type = "file";
  return TryServers(std::move(request), servers);
}

std::string SignatureList(const std::vector<std::string>& objects) {
  std::string list;
  for (size_t index = 0; index < objects.size(); ++index) {
    if (index > 0) list += '|';
    const std::string& object = objects[index];
    if (IsLocalFilePath(object)) {
      std::optional<std::string> signature = FileSignatureOfPath(object);
      list += signature ? *signature : std::string(AllZeroSignature);
    } else {
      list += object;
    }
  }
  return list;
}

ExchangeResult LookUpSignatures(const std::vector<std::string>& objects,
                                const std::vector<std::string>& servers) {
  ServerRequest request;
  request.method = "scanmultiple";
  request.verb = "POST";
  request.data = SignatureList(objects);
  request.data_length = request.data->size();
  request.type = "signature";
  return TryServers(std::move(request), servers);
}

ExchangeResult FetchEngineInfo(const std::vector<std::string>& servers) {
  ServerRequest request;
  request.method = "getengineinfo";
  request.verb = "GET";
  std::string collected;
  ExchangeResult last{TransportOk, {}};
  for (const std::string& server : servers) {
    request.server_url = server;
    last = PerformRequest(request);
    if (last.code == TransportOk) collected += last.text;
  }
  if (collected.empty()) collected = last.text;
  ExchangeResult merged;
  merged.text = MergeEngineDocuments(std::move(collected));
  merged.code = merged.text.find("<error>") != std::string::npos ? last.code : TransportOk;
  return merged;
}

}  // namespace dravanta
