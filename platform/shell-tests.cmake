# Tests of the shell's platform pieces.
dravanta_test(platform_executable_path_test SOURCES executable_path_test.cpp LIBS dravanta_platform)
dravanta_test(platform_process_list_test SOURCES process_list_test.cpp LIBS dravanta_platform)
