# DEVMODE intake: arbitrary bytes as a caller's DEVMODE through the bounds check, the validators, the
# copy into a store and the merge into a settings context.
kv_fuzz_target(devmode ${CMAKE_CURRENT_LIST_DIR}/devmode_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/devmode LIBS kvcommon)
foreach(t devmode_replay devmode_fuzz)
  if(TARGET ${t})
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  endif()
endforeach()
# The fuzzer steers by the coverage of the code under test: give it an instrumented copy of the
# settings model instead of the plain library.
if(TARGET devmode_fuzz)
  file(GLOB kv_fuzz_settings_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/settings/*.cpp)
  add_library(devmode_fuzz_settings STATIC ${kv_fuzz_settings_sources})
  target_include_directories(devmode_fuzz_settings PUBLIC ${CMAKE_SOURCE_DIR}/common)
  target_link_libraries(devmode_fuzz_settings PUBLIC kvplatform)
  target_compile_options(devmode_fuzz_settings PRIVATE -fsanitize=fuzzer-no-link)
  get_target_property(kv_fuzz_libs devmode_fuzz LINK_LIBRARIES)
  set_property(TARGET devmode_fuzz PROPERTY LINK_LIBRARIES devmode_fuzz_settings ${kv_fuzz_libs})
endif()
