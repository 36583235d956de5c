# Fixture trees for the tests and the walk benchmark of file collection.
add_library(dravanta_scratch_tree STATIC scratch_tree.cpp file_access_user.cpp hostile_tree.cpp)
target_compile_options(dravanta_scratch_tree PRIVATE ${DRAVANTA_WARNINGS})

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/directory_test.cpp)
dravanta_test(platform_directory_test SOURCES directory_test.cpp
  LIBS dravanta_platform dravanta_scratch_tree)
dravanta_test(platform_long_path_test SOURCES long_path_test.cpp
  LIBS dravanta_platform dravanta_scratch_tree)
dravanta_test(platform_mounts_test SOURCES mounts_test.cpp LIBS dravanta_platform)
dravanta_test(platform_process_modules_test SOURCES process_modules_test.cpp LIBS dravanta_platform)
endif()
