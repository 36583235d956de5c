# Platform pieces of the application shell.
list(APPEND PLATFORM_SOURCES
  executable_path.cpp
  file_info.cpp
  last_error.cpp
  local_time.cpp
  message_box.cpp
  process_list.cpp
  wide_format.cpp
)
