# DEVMODE intake of the driver API: arbitrary bytes as the caller's DEVMODE merged by ZARNDrvGetDevmodeEx.
if(TARGET kvapi)
  file(GLOB kv_fuzz_api_devmode_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/api/*.cpp ${CMAKE_SOURCE_DIR}/common/settings/*.cpp)
  list(REMOVE_ITEM kv_fuzz_api_devmode_sources ${CMAKE_SOURCE_DIR}/api/api_load.cpp)
  kv_fuzz_target(api_devmode ${CMAKE_CURRENT_LIST_DIR}/api_devmode_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/api_devmode
                 LIBS kvapi INCLUDES ${CMAKE_SOURCE_DIR}/api ${CMAKE_SOURCE_DIR}/api/include
                 INSTRUMENT ${kv_fuzz_api_devmode_sources})
  add_dependencies(api_devmode_replay kv_model_data kvdrvui KV8350us KV8350jp)
endif()
