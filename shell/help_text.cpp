#include "shell/help_text.h"

#include <cstdio>
#include <string_view>

#include "platform/text.h"
#include "shell/client_version.h"
#include "shell/config_file_reader.h"

namespace dravanta {
namespace {

struct KeyHelp {
  const char* key;
  std::string default_text;
  const char* meaning;
};

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace

std::string HelpText() {
  const KeyHelp keys[] = {
      {"server", U8(kDefaultServer), "scanning server address (host and path, or a URL)"},
      {"key", U8(kDefaultKey), "API key sent to the server"},
      {"thread_count", U8(kDefaultThreadCount), "threads per folder walk (0 or text: default)"},
      {"batch_size", U8(kDefaultBatchSize), "files per signature lookup (0 or text: default)"},
      {"maximum_file_size_bytes", U8(kDefaultMaximumFileSizeBytes),
       "larger files are not scanned (0 or text: default)"},
      {"scan_type", "0", "0 scans the loaded modules, any other number a file scan"},
      {"scan_location", U8(kDefaultScanLocation), "\"ALL\" (all fixed drives) or paths"},
      {"auto_start", "0", "1 starts the scan at once"},
      {"show_ui", "1", "0 together with auto_start=1 runs without a window"},
      {"exit_on_clean", "0", "1 ends the program when the scan found nothing"},
      {"exit_on_dirty", "0", "1 ends the program when the scan found threats"},
      {"show_trayicon", "0", "1 shows an icon in the notification area"},
      {"allowed_scan_levels", U8(kDefaultAllowedScanLevels), "scan levels that can be chosen"},
      {"banner_image", "", "banner picture (free text)"},
      {"log_enable", "1",
       "0 no diagnostic log, 1 errors and information, 2 also developer records"},
      {"log_file", "<program folder>/" + U8(kDefaultLogFileName), "diagnostic log path"},
      {"json_report", "", "path of the JSON result of every scan; - : standard output"},
  };
  std::string text =
      "Usage: dravanta-client [key=value ...] [--help] [--version]\n"
      "\n"
      "Scans this machine through a scanning server and tells whether it is clean.\n"
      "Settings come from the section [dravantaclient] of \"" +
      U8(kConfigFileName) +
      "\" beside the program\n"
      "and from key=value arguments, which win over the file. An argument may start\n"
      "with \"/\", \"-\" or \"--\"; its key's letter case does not matter (in the file keys\n"
      "must be lower case). Flags are on only for the exact value 1.\n"
      "\n"
      "Settings (default in brackets):\n";
  for (const KeyHelp& key : keys) {
    char line[512];
    std::snprintf(line, sizeof line, "  %-24s %s [%s]\n", key.key, key.meaning,
                  key.default_text.c_str());
    text += line;
  }
  text +=
      "\n"
      "Exit codes:\n"
      "  0    the last scan found the machine clean\n"
      "  1    the last scan found threats\n"
      "  100  the scan failed, another copy of the program is running, or any other end\n"
      "\n"
      "  --help     prints this text\n"
      "  --version  prints the client version\n";
  return text;
}

std::string VersionText() { return "dravanta-client " + U8(ClientVersion()) + "\n"; }

}  // namespace dravanta
