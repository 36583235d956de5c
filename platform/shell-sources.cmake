# Platform pieces of the application shell.
list(APPEND PLATFORM_SOURCES
  executable_path.cpp
  process_list.cpp
)
