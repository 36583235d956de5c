#include "tools/scan-server/documents.h"

namespace dravanta::scan_server {
namespace {

// Signatures that are not well-formed are echoed only this far.
constexpr std::size_t kEchoedSignatureLength = 64;

std::string Element(std::string_view name, std::string_view escaped_text) {
  std::string xml;
  xml.reserve(name.size() * 2 + escaped_text.size() + 5);
  xml.append("<").append(name).append(">").append(escaped_text);
  xml.append("</").append(name).append(">");
  return xml;
}

std::string VerdictElements(const FileVerdict& verdict) {
  std::string xml = Element("final_scan_result", std::to_string(verdict.final_scan_result));
  xml += ThreatNameElement(verdict.threat_name);
  xml += Element("objects", EngineResultElements(verdict.engines));
  return xml;
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
  std::string xml = "<threat_name><![CDATA[";
  xml.append(name).append("]]></threat_name>");
  return xml;
}

std::string EngineResultElements(const std::vector<EngineVerdict>& engines) {
  std::string xml;
  for (const EngineVerdict& engine : engines) {
    xml += "<engine_result>";
    xml += Element("engine_name", XmlEscape(engine.engine_name));
    xml += ThreatNameElement(engine.threat_name);
    xml += Element("scan_result", std::to_string(engine.scan_result));
    xml += "</engine_result>";
  }
  return xml;
}

std::string EngineInfoDocument(const std::vector<EngineDescription>& engines) {
  std::string xml(kXmlDeclaration);
  xml += "<method_response><name>getengineinfo</name><engines>";
  for (const EngineDescription& engine : engines) {
    xml += "<engine>";
    xml += Element("engine_name", XmlEscape(engine.name));
    xml += Element("engine_version", XmlEscape(engine.version));
    xml += Element("definitions", XmlEscape(engine.definitions));
    xml += "</engine>";
  }
  xml += "</engines></method_response>";
  return xml;
}

std::string UploadAnswerDocument(const FileVerdict& verdict, const UploadedFile& file) {
  std::string xml(kXmlDeclaration);
  xml += "<method_response><name>scan</name>";
  xml += VerdictElements(verdict);
  xml += "<file>";
  xml += Element("filename", XmlEscape(file.filename));
  xml += Element("sha1", file.sha1);
  xml += Element("md5", file.md5);
  xml += Element("size", std::to_string(file.size));
  xml += "</file></method_response>";
  return xml;
}

std::string LookupAnswerDocument(const std::vector<LookupEntry>& entries) {
  std::string xml(kXmlDeclaration);
  xml += "<method_response><name>scanmultiple</name><results>";
  for (const LookupEntry& entry : entries) {
    xml += "<object>";
    if (entry.well_formed) {
      xml += Element("signature", entry.signature);
    } else {
      xml += Element("signature", XmlEscape(entry.signature.substr(0, kEchoedSignatureLength)));
      xml += Element("note", "not a 40-digit hexadecimal SHA-1 signature");
    }
    if (entry.verdict) {
      xml += VerdictElements(*entry.verdict);
    } else {
      xml += Element("final_scan_result", std::to_string(kUnknown));
    }
    xml += "</object>";
  }
  xml += "</results></method_response>";
  return xml;
}

std::string ErrorDocument(std::string_view message) {
  std::string xml(kXmlDeclaration);
  xml += Element("error", XmlEscape(message));
  return xml;
}

}  // namespace dravanta::scan_server
