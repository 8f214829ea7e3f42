# DEVMODE intake of the printer interface library: arbitrary bytes as a caller's DEVMODE taken into a
# settings context in every intake mode.
if(TARGET kvui)
  file(GLOB kv_fuzz_ui_intake_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/entry/*.cpp
       ${CMAKE_SOURCE_DIR}/common/settings/*.cpp)
  list(REMOVE_ITEM kv_fuzz_ui_intake_sources ${CMAKE_SOURCE_DIR}/ui/entry/ui_load.cpp)
  kv_fuzz_target(ui_intake ${CMAKE_CURRENT_LIST_DIR}/ui_intake_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/ui_intake
                 LIBS kvui INCLUDES ${CMAKE_SOURCE_DIR}/ui ${CMAKE_SOURCE_DIR}/ui/entry
                 INSTRUMENT ${kv_fuzz_ui_intake_sources})
  add_dependencies(ui_intake_replay kv_model_data)
endif()
