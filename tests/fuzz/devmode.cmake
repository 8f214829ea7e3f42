# DEVMODE intake: arbitrary bytes as a caller's DEVMODE through the bounds check, the validators, the
# copy into a store and the merge into a settings context.
file(GLOB kv_fuzz_settings_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/settings/*.cpp)
kv_fuzz_target(devmode ${CMAKE_CURRENT_LIST_DIR}/devmode_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/devmode
               LIBS kvcommon INSTRUMENT ${kv_fuzz_settings_sources})
