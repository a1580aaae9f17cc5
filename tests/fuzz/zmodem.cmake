# ZModem wire: header and subpacket parsing, run-length decoding, cancel exchange.
velo_add_fuzzer(fuzz_zmodem_wire SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmodem_wire_fuzz.cpp LIBS velo_transfer)
