# Driver data compiler: arbitrary bytes as a data file (compiled, checked, relocated) and as an image file.
kv_fuzz_target(driverdata ${CMAKE_CURRENT_LIST_DIR}/driverdata_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/driverdata
               LIBS kvcommon)
