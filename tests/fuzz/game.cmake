# The game's profile parser (the window-free game library is not part of the
# fuzz tree, so its source is compiled in).
velo_add_fuzzer(fuzz_car_profile SOURCES ${PROJECT_SOURCE_DIR}/tests/fuzz/game_profile.cpp
                                         ${PROJECT_SOURCE_DIR}/game/Profile.cpp)
target_include_directories(fuzz_car_profile PRIVATE ${PROJECT_SOURCE_DIR})
