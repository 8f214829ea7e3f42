# Registry hive text: any bytes through the hive reader; whatever it accepts must be written back as text
# that reads again to the same hive.
kv_fuzz_target(hive_text ${CMAKE_CURRENT_LIST_DIR}/hive_text_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/hive_text
               LIBS kvplatform)
foreach(t hive_text_replay hive_text_fuzz)
  if(TARGET ${t})
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/platform/src/registry)
  endif()
endforeach()
# The fuzzer steers by the coverage of the reader: give it an instrumented copy of it.
if(TARGET hive_text_fuzz)
  target_sources(hive_text_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/platform/src/registry/hive_text.cpp)
endif()
