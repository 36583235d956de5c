# Platform pieces of the user interface and the report.
list(APPEND PLATFORM_SOURCES
  atomic_file.cpp
  calendar_time.cpp
  user_and_host.cpp
  user_folders.cpp)
list(APPEND PLATFORM_SOURCES random_token.cpp)
