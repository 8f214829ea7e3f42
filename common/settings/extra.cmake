# Benchmarks of the settings model: creating and releasing contexts (light, full cold, full cached).
file(GLOB KV_SETTINGS_BENCH CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/settings/bench/*.cpp)
kv_benchmark(settings_bench SOURCES ${KV_SETTINGS_BENCH} LIBS kvcommon)
if(TARGET settings_bench)
  target_include_directories(settings_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
endif()
if(TARGET settings_bench)
  # The benchmark installs the model's data file and resource libraries into its machine root.
  add_dependencies(settings_bench KV8350us KV8350jp)
endif()
