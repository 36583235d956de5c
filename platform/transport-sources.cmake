# Platform pieces of the server transport: identity, file reading, and the
# helpers its test fixtures use to run peers on loopback.
list(APPEND PLATFORM_SOURCES
  machine_identity.cpp
  file_reader.cpp
  error_number_posix.cpp
  child_process.cpp
  loopback_port.cpp
  listen_backlog.cpp)
