# Directory listing, mount table and process modules for file collection.
list(APPEND PLATFORM_SOURCES directory.cpp long_path.cpp mounts.cpp process_modules.cpp)
