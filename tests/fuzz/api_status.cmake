# Status items of the driver API: a status id, a record version and record bytes set and read back on
# a connection of the model printer.
if(TARGET kvapi)
  file(GLOB kv_fuzz_api_status_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/api/*.cpp)
  list(REMOVE_ITEM kv_fuzz_api_status_sources ${CMAKE_SOURCE_DIR}/api/api_load.cpp)
  kv_fuzz_target(api_status ${CMAKE_CURRENT_LIST_DIR}/api_status_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/api_status
                 LIBS kvapi INCLUDES ${CMAKE_SOURCE_DIR}/api ${CMAKE_SOURCE_DIR}/api/include
                 INSTRUMENT ${kv_fuzz_api_status_sources})
  add_dependencies(api_status_replay kv_model_data kvdrvui KV8350us KV8350jp)
endif()
