# Tests of the shell's platform pieces.
foreach(unit executable_path file_info last_error local_time message_box process_list wide_format)
  dravanta_test(platform_${unit}_test SOURCES ${unit}_test.cpp LIBS dravanta_platform)
endforeach()
