# DEVMODE conversion of the printer interface library: arbitrary input DEVMODE bytes, buffer sizes and
# modes as the spooler hands them to DrvConvertDevMode.
if(TARGET kvui)
  file(GLOB kv_fuzz_ui_convert_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/entry/*.cpp
       ${CMAKE_SOURCE_DIR}/common/settings/*.cpp)
  list(REMOVE_ITEM kv_fuzz_ui_convert_sources ${CMAKE_SOURCE_DIR}/ui/entry/ui_load.cpp)
  kv_fuzz_target(ui_convert ${CMAKE_CURRENT_LIST_DIR}/ui_convert_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/ui_convert
                 LIBS kvui INCLUDES ${CMAKE_SOURCE_DIR}/ui ${CMAKE_SOURCE_DIR}/ui/entry
                 INSTRUMENT ${kv_fuzz_ui_convert_sources})
  add_dependencies(ui_convert_replay kv_model_data)
endif()
