// The configuration: the file beside the executable read through the real
// file path, its "dravantaclient" entries split at the first "=", and every
// setting's rule (command line first, defaults for empty texts and for
// numbers whose leading integer is 0).
//
// Input: the leading-integer text (UTF-16 code units up to a zero unit),
// then command-line arguments (UTF-8, each ended by a zero byte) up to an
// empty one, then the file's bytes.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ini_scanner.h"
#include "platform/text.h"
#include "shell/command_line.h"
#include "shell/config_file_reader.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using dravanta::KeyValueMap;

// The C library's own rule, as the model of LeadingInteger: non-ASCII code
// units are neither blanks, signs nor digits.
int32_t ModelLeadingInteger(const std::u16string& text) {
  std::string narrow;
  for (const char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '\x7f';
  errno = 0;
  const long long value = std::strtoll(narrow.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// The file the configuration is read from, in a folder of its own that is
// removed at exit (the path is never destroyed, so the exit handler can use
// it).
const std::string& ScratchFile() {
  static const std::string* path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dravanta-config-fuzz-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) std::abort();
    auto* file = new std::string(folder + "/DravantaClientConf.ini");
    std::atexit([] {
      std::remove(ScratchFile().c_str());
      rmdir(ScratchFile().substr(0, ScratchFile().rfind('/')).c_str());
    });
    return file;
  }();
  return *path;
}

std::u16string NumberRule(const std::u16string& text, std::u16string_view fallback) {
  return ModelLeadingInteger(text) == 0 ? std::u16string(fallback) : text;
}
std::u16string TextRule(const std::u16string& text, std::u16string_view fallback) {
  return text.empty() ? std::u16string(fallback) : text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dravanta::fuzz::InputReader input(data, size);
  const std::u16string number = input.Units();
  FUZZ_CHECK(dravanta::LeadingInteger(number) == ModelLeadingInteger(number));

  std::vector<std::u16string> arguments;
  for (std::string_view arg = input.Piece(); !arg.empty(); arg = input.Piece()) {
    arguments.push_back(dravanta::Utf8ToUtf16(arg));
  }
  dravanta::CCustomCommandLineInfo command_line;
  dravanta::ParseCommandLine(arguments, &command_line);

  const std::string_view file = input.Rest();
  {
    std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
  }
  const std::u16string path = dravanta::Utf8ToUtf16(ScratchFile());
  dravanta::ConfigFileReader reader;
  const bool any = reader.Load(command_line.key_values(), path, u"/opt/dravanta/");

  // The file's entries: those of the first section when it is ours, later
  // entries winning.
  const dravanta::ScannedIni contents = dravanta::ScanIniText(file);
  FUZZ_CHECK(reader.section_names() == contents.section_names);
  KeyValueMap entries;
  if (!contents.section_names.empty() && contents.section_names[0] == u"dravantaclient") {
    for (const auto& entry : contents.first_section_entries) {
      const size_t eq = entry.find(u'=');
      if (eq == std::u16string::npos) {
        entries[entry] = entry;
      } else {
        entries[entry.substr(0, eq)] = entry.substr(eq + 1);
      }
    }
  }
  FUZZ_CHECK(reader.file_entries() == entries);
  FUZZ_CHECK(any == (!command_line.key_values().empty() || !entries.empty()));

  const auto lookup = [&](const std::u16string& key) {
    if (auto it = command_line.key_values().find(key); it != command_line.key_values().end()) {
      return it->second;
    }
    if (auto it = entries.find(key); it != entries.end()) return it->second;
    return std::u16string();
  };
  const dravanta::ClientSettings s = reader.ReadSettings();
  FUZZ_CHECK(s.server == TextRule(lookup(u"server"), dravanta::kDefaultServer));
  FUZZ_CHECK(s.thread_count == NumberRule(lookup(u"thread_count"), dravanta::kDefaultThreadCount));
  FUZZ_CHECK(s.batch_size == NumberRule(lookup(u"batch_size"), dravanta::kDefaultBatchSize));
  FUZZ_CHECK(s.maximum_file_size_bytes == NumberRule(lookup(u"maximum_file_size_bytes"),
                                                     dravanta::kDefaultMaximumFileSizeBytes));
  FUZZ_CHECK(s.scan_location == TextRule(lookup(u"scan_location"), dravanta::kDefaultScanLocation));
  FUZZ_CHECK(s.log_file == TextRule(lookup(u"log_file"), u"/opt/dravanta/DravantaClient.log"));
  FUZZ_CHECK(s.scan_type == ModelLeadingInteger(lookup(u"scan_type")));
  FUZZ_CHECK(s.banner_image == lookup(u"banner_image"));
  FUZZ_CHECK(s.show_trayicon == (lookup(u"show_trayicon") == u"1"));
  FUZZ_CHECK(s.key == TextRule(lookup(u"key"), dravanta::kDefaultKey));
  FUZZ_CHECK(s.auto_start == (lookup(u"auto_start") == u"1"));
  FUZZ_CHECK(s.exit_on_clean == (lookup(u"exit_on_clean") == u"1"));
  FUZZ_CHECK(s.exit_on_dirty == (lookup(u"exit_on_dirty") == u"1"));
  FUZZ_CHECK(s.show_ui == !(lookup(u"show_ui") == u"0" && s.auto_start));
  FUZZ_CHECK(s.allowed_scan_levels ==
             TextRule(lookup(u"allowed_scan_levels"), dravanta::kDefaultAllowedScanLevels));
  const std::u16string log_enable = lookup(u"log_enable");
  FUZZ_CHECK(reader.LogEnableSwitch() == (log_enable == u"0" ? 0 : log_enable == u"2" ? 2 : 1));
  return 0;
}
