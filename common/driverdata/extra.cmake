# Benchmark of the driver data compiler (compiles generated data files of two sizes).
kv_benchmark(driverdata_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/dfc_bench.cpp LIBS kvcommon)
# Benchmark of the compiled image: compile, load, process cache, one Exclusive row.
kv_benchmark(img_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/img_bench.cpp LIBS kvcommon)
