# The input script's text form, tested against a dialog of the sheet fixtures.
kv_gtest(kvhost_input_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/input_script_test.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/kvhost/input_script.cpp LIBS kvplatform)
if(TARGET kvhost_input_tests)
  target_include_directories(kvhost_input_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/kvhost
                             ${CMAKE_SOURCE_DIR}/platform/tests/fixtures)
  add_dependencies(kvhost_input_tests kvres_sheets)
endif()
