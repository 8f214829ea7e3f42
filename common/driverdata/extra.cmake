# Benchmark of the driver data compiler (compiles generated data files of two sizes).
kv_benchmark(driverdata_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/dfc_bench.cpp LIBS kvcommon)
# Benchmark of the compiled image: compile, load, process cache, Exclusive rows, the computed flags.
kv_benchmark(img_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/img_bench.cpp LIBS kvcommon)
# Two modules with their own copy of the common library: each keeps its own image cache.
if(COMMAND kv_module AND TARGET common_driverdata_tests)
  foreach(probe img_probe_a img_probe_b)
    kv_module(${probe} SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/fixtures/img_probe.cpp LIBS kvcommon)
    add_dependencies(common_driverdata_tests ${probe})
  endforeach()
endif()
