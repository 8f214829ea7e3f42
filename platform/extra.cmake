# Extra targets of the platform: the two test modules the loader tests load, and the short round-trip
# program run on a root made by `kvhost machine init`.
kv_module(kvtestmod_a SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/modules/kvtestmod_a.cpp LIBS kvplatform)
kv_module(kvtestmod_b SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/modules/kvtestmod_b.cpp LIBS kvplatform)
# The test program is defined after this file is read: add the dependency once the folder is done.
cmake_language(DEFER CALL add_dependencies platform_tests kvtestmod_a kvtestmod_b)

add_executable(platform_roundtrip ${CMAKE_CURRENT_SOURCE_DIR}/tests/programs/roundtrip.cpp)
target_link_libraries(platform_roundtrip PRIVATE kvplatform)
add_test(NAME platform_roundtrip_on_new_root
         COMMAND sh -c "d=$(mktemp -d) && \"$1\" machine init \"$d/root\" >/dev/null && \"$2\" \"$d/root\"; r=$?; rm -rf \"$d\"; exit $r"
                 sh $<TARGET_FILE:kvhost> $<TARGET_FILE:platform_roundtrip>)
include(${CMAKE_CURRENT_SOURCE_DIR}/src/ui/ui.cmake)

# The program the process tests start: writes a marker into its working folder. Built into the module
# folder, where the tests copy it from into a machine's folders.
add_executable(kv_marker ${CMAKE_SOURCE_DIR}/tests/support/kvmarker/marker.cpp)
set_target_properties(kv_marker PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KV_MODULE_DIR})
cmake_language(DEFER CALL add_dependencies platform_tests kv_marker)
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_dependencies ui_tests kv_marker)
