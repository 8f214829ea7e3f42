# Compiled image file: arbitrary bytes as the ".BCS" file beside a valid driver data file, acquired.
kv_fuzz_target(image_file ${CMAKE_CURRENT_LIST_DIR}/image_file_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/image_file
               LIBS kvcommon)
# The fuzzer steers by the coverage of the code under test: an instrumented copy of the compiler, the
# image code and the rule engine goes ahead of the plain library.
if(TARGET image_file_fuzz)
  file(GLOB kv_fuzz_image_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/driverdata/*.cpp)
  add_library(image_file_fuzz_driverdata STATIC ${kv_fuzz_image_sources})
  target_include_directories(image_file_fuzz_driverdata PUBLIC ${CMAKE_SOURCE_DIR}/common)
  target_link_libraries(image_file_fuzz_driverdata PUBLIC kvplatform)
  target_compile_options(image_file_fuzz_driverdata PRIVATE -fsanitize=fuzzer-no-link)
  get_target_property(kv_fuzz_image_libs image_file_fuzz LINK_LIBRARIES)
  set_property(TARGET image_file_fuzz PROPERTY LINK_LIBRARIES image_file_fuzz_driverdata ${kv_fuzz_image_libs})
endif()
