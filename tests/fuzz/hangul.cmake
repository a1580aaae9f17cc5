# Korean codec and ANSI music parser.
velo_add_fuzzer(fuzz_hangul_codec SOURCES ${CMAKE_CURRENT_LIST_DIR}/hangul_codec_fuzz.cpp LIBS velo_term)
velo_add_fuzzer(fuzz_music SOURCES ${CMAKE_CURRENT_LIST_DIR}/music_fuzz.cpp LIBS velo_term)
