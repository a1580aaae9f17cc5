# The telnet receive filter: any bytes, cut into any blocks.
velo_add_fuzzer(fuzz_telnet_filter SOURCES ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_telnet_filter.cpp LIBS velo_conn)
