# Tests of the transport's platform pieces.
dravanta_test(platform_machine_identity_test SOURCES machine_identity_test.cpp LIBS dravanta_platform)
dravanta_test(platform_file_reader_test SOURCES file_reader_test.cpp LIBS dravanta_platform)
