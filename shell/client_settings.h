// Every configuration value, read once at start-up and handed to the main
// window. Numbers stay text because they are passed on as text options.
#pragma once

#include <cstdint>
#include <string>

namespace dravanta {

struct ClientSettings {
  std::u16string module_directory;  // the executable's folder, ending with "/"
  std::u16string server;
  std::u16string thread_count;
  std::u16string batch_size;
  std::u16string maximum_file_size_bytes;
  std::u16string scan_location;
  std::u16string log_file;
  int32_t scan_type = 0;  // 0: loaded modules; otherwise a file scan
  std::u16string banner_image;
  bool show_trayicon = false;
  std::u16string key;
  bool auto_start = false;
  bool exit_on_clean = false;
  bool exit_on_dirty = false;
  bool show_ui = true;
  std::u16string allowed_scan_levels;
  // Where the JSON result of every scan goes; empty: nowhere; "-": standard
  // output of a run without a page, instead of the text report.
  std::u16string json_report;
};

}  // namespace dravanta
