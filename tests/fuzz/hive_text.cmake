# Registry hive text: any bytes through the hive reader; whatever it accepts must be written back as text
# that reads again to the same hive.
kv_fuzz_target(hive_text ${CMAKE_CURRENT_LIST_DIR}/hive_text_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/hive_text
               LIBS kvplatform INCLUDES ${CMAKE_SOURCE_DIR}/platform/src/registry
               INSTRUMENT ${CMAKE_SOURCE_DIR}/platform/src/registry/hive_text.cpp)
