# The UI-control plug-in the plug-in tests load (copied under several names into a driver folder).
kv_module(kvuictrltest SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/uictrl/kvuictrl.cpp LIBS kvplatform)
target_include_directories(kvuictrltest PRIVATE ${CMAKE_SOURCE_DIR}/common)
if(TARGET common_devlink_tests)
  add_dependencies(common_devlink_tests kvuictrltest)
endif()
# The device-link tests place the bidi and job-control library stand-ins into a printer's driver folder.
if(TARGET common_devlink_tests)
  add_dependencies(common_devlink_tests kvbidi64 KAVJC64)
endif()
