# Directory listing, mount table and process modules for file collection.
list(APPEND PLATFORM_SOURCES directory.cpp mounts.cpp process_modules.cpp)
