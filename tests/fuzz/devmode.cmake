# DEVMODE intake: arbitrary bytes as a caller's DEVMODE through the bounds check, the validators, the
# copy into a store and the merge into a settings context.
kv_fuzz_target(devmode ${CMAKE_CURRENT_LIST_DIR}/devmode_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/devmode LIBS kvcommon)
foreach(t devmode_replay devmode_fuzz)
  if(TARGET ${t})
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  endif()
endforeach()
