# Benchmark of the driver data compiler (compiles generated data files of two sizes).
kv_benchmark(driverdata_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/dfc_bench.cpp LIBS kvcommon)
