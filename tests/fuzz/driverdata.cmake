# Driver data compiler: arbitrary bytes as a data file (compiled, checked, relocated) and as an image file.
# The compiler and the image code are instrumented for the fuzzer, with the settings tables and the
# configuration code they call.
kv_fuzz_common_sources(kv_fuzz_driverdata_sources)
kv_fuzz_target(driverdata ${CMAKE_CURRENT_LIST_DIR}/driverdata_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/driverdata
               LIBS kvcommon INSTRUMENT ${kv_fuzz_driverdata_sources})
