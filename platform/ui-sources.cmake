# Platform pieces of the user interface and the report.
list(APPEND PLATFORM_SOURCES
  atomic_file.cpp
  background_program.cpp
  open_url.cpp
  random_token.cpp
  registry_store.cpp
  run_program.cpp
  socket_io.cpp
  standard_streams.cpp
  user_folders.cpp)
