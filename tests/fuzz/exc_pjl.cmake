# PJL SET text of outside programs: arbitrary bytes as a command base, then line by line as updates.
if(TARGET kvapi)
  file(GLOB kv_fuzz_exc_pjl_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/api/exc_*.cpp)
  kv_fuzz_target(exc_pjl ${CMAKE_CURRENT_LIST_DIR}/exc_pjl_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/exc_pjl
                 LIBS kvapi INCLUDES ${CMAKE_SOURCE_DIR}/api ${CMAKE_SOURCE_DIR}/api/include
                 INSTRUMENT ${kv_fuzz_exc_pjl_sources})
  add_dependencies(exc_pjl_replay kv_model_data kvdrvui KV8350us KV8350jp)
endif()
