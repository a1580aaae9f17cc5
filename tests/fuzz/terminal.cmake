# The terminal's byte feed in both display codes with random settings.
velo_add_fuzzer(fuzz_terminal_feed SOURCES ${CMAKE_CURRENT_LIST_DIR}/terminal_feed_fuzz.cpp LIBS velo_term)
