# INI text read by the platform's profile functions.
kv_fuzz_target(ini_text ${CMAKE_CURRENT_LIST_DIR}/ini_text_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/ini_text
               LIBS kvplatform)
