# The driver's own INI text engine (settings files): lookups with the cursor, composition and section
# replacement over arbitrary INI text.
kv_fuzz_target(ini_engine ${CMAKE_CURRENT_LIST_DIR}/ini_engine_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/ini_engine
               LIBS kvcommon INSTRUMENT ${CMAKE_SOURCE_DIR}/common/config/ini_text.cpp ${CMAKE_SOURCE_DIR}/common/config/ini.cpp)
