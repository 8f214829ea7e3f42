# INI text read by the platform's profile functions, which are instrumented for the fuzzer.
file(GLOB kv_fuzz_profile_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/src/profile/*.cpp)
kv_fuzz_target(ini_text ${CMAKE_CURRENT_LIST_DIR}/ini_text_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/ini_text
               LIBS kvplatform INCLUDES ${CMAKE_SOURCE_DIR}/platform/src/profile
               INSTRUMENT ${kv_fuzz_profile_sources})
