# The terminal window's window-free text rules and the macro sender.
velo_add_fuzzer(fuzz_term_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/term_text_fuzz.cpp LIBS velo_term_text velo_shell_core)
