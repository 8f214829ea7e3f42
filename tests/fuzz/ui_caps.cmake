# Device capabilities of the printer interface library: every capability index with arbitrary bytes as
# the caller's DEVMODE, the written length checked against the counted one.
if(TARGET kvui)
  file(GLOB kv_fuzz_ui_caps_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/entry/*.cpp
       ${CMAKE_SOURCE_DIR}/common/settings/*.cpp ${CMAKE_SOURCE_DIR}/common/driverdata/img_*.cpp)
  list(REMOVE_ITEM kv_fuzz_ui_caps_sources ${CMAKE_SOURCE_DIR}/ui/entry/ui_load.cpp)
  kv_fuzz_target(ui_caps ${CMAKE_CURRENT_LIST_DIR}/ui_caps_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/ui_caps
                 LIBS kvui INCLUDES ${CMAKE_SOURCE_DIR}/ui ${CMAKE_SOURCE_DIR}/ui/entry
                 INSTRUMENT ${kv_fuzz_ui_caps_sources})
  add_dependencies(ui_caps_replay kv_model_data)
endif()
