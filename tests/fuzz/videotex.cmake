# Videotex decoder: Feed over any bytes, with a canvas that checks what it is asked to draw.
velo_add_fuzzer(fuzz_videotex SOURCES ${CMAKE_CURRENT_LIST_DIR}/videotex_fuzz.cpp LIBS velo_vtx)
