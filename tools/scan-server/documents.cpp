#include "tools/scan-server/documents.h"

namespace dravanta::scan_server {
namespace {

// Signatures that are not well-formed are echoed only this far.
constexpr std::size_t kEchoedSignatureLength = 64;

void AppendElement(std::string* xml, std::string_view name, std::string_view escaped_text) {
  xml->append("<").append(name).append(">").append(escaped_text);
  xml->append("</").append(name).append(">");
}

void AppendThreatName(std::string* xml, std::string_view name) {
  xml->append("<threat_name><![CDATA[").append(name).append("]]></threat_name>");
}

void AppendVerdict(std::string* xml, int final_scan_result, std::string_view threat_name,
                   std::string_view engine_results) {
  AppendElement(xml, "final_scan_result", std::to_string(final_scan_result));
  AppendThreatName(xml, threat_name);
  AppendElement(xml, "objects", engine_results);
}

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      case '\t':
      case '\n':
      case '\r':
        escaped += static_cast<char>(c);
        break;
      default:
        escaped += c < 0x20 ? '?' : static_cast<char>(c);
    }
  }
  return escaped;
}

std::string ThreatNameElement(std::string_view name) {
  std::string xml;
  AppendThreatName(&xml, name);
  return xml;
}

std::string EngineResultElements(const std::vector<EngineVerdict>& engines) {
  std::string xml;
  for (const EngineVerdict& engine : engines) {
    xml += "<engine_result>";
    AppendElement(&xml, "engine_name", XmlEscape(engine.engine_name));
    AppendThreatName(&xml, engine.threat_name);
    AppendElement(&xml, "scan_result", std::to_string(engine.scan_result));
    xml += "</engine_result>";
  }
  return xml;
}

std::string EngineInfoDocument(const std::vector<EngineDescription>& engines) {
  std::string xml(kXmlDeclaration);
  xml += "<method_response><name>getengineinfo</name><engines>";
  for (const EngineDescription& engine : engines) {
    xml += "<engine>";
    AppendElement(&xml, "engine_name", XmlEscape(engine.name));
    AppendElement(&xml, "engine_version", XmlEscape(engine.version));
    AppendElement(&xml, "definitions", XmlEscape(engine.definitions));
    xml += "</engine>";
  }
  xml += "</engines></method_response>";
  return xml;
}

std::string UploadAnswerDocument(const FileVerdict& verdict, const UploadedFile& file) {
  std::string xml(kXmlDeclaration);
  xml += "<method_response><name>scan</name>";
  AppendVerdict(&xml, verdict.final_scan_result, verdict.threat_name,
                EngineResultElements(verdict.engines));
  xml += "<file>";
  AppendElement(&xml, "filename", XmlEscape(file.filename));
  AppendElement(&xml, "sha1", file.sha1);
  AppendElement(&xml, "md5", file.md5);
  AppendElement(&xml, "size", std::to_string(file.size));
  xml += "</file></method_response>";
  return xml;
}

std::string LookupAnswerDocument(const std::vector<LookupEntry>& entries) {
  std::string xml(kXmlDeclaration);
  std::size_t size = xml.size() + 80;
  for (const LookupEntry& entry : entries) {
    size += 120 + (entry.verdict ? entry.verdict->engine_results.size() : 0);
  }
  xml.reserve(size);
  xml += "<method_response><name>scanmultiple</name><results>";
  for (const LookupEntry& entry : entries) {
    xml += "<object>";
    if (entry.well_formed) {
      AppendElement(&xml, "signature", entry.signature);
    } else {
      AppendElement(&xml, "signature",
                    XmlEscape(std::string_view(entry.signature).substr(0, kEchoedSignatureLength)));
      AppendElement(&xml, "note", "not a 40-digit hexadecimal SHA-1 signature");
    }
    if (entry.verdict) {
      AppendVerdict(&xml, entry.verdict->final_scan_result, entry.verdict->threat_name,
                    entry.verdict->engine_results);
    } else {
      AppendElement(&xml, "final_scan_result", std::to_string(kUnknown));
    }
    xml += "</object>";
  }
  xml += "</results></method_response>";
  return xml;
}

std::string ErrorDocument(std::string_view message) {
  std::string xml(kXmlDeclaration);
  AppendElement(&xml, "error", XmlEscape(message));
  return xml;
}

}  // namespace dravanta::scan_server
