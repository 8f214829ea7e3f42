# Compiled image file: arbitrary bytes as the ".BCS" file beside a valid driver data file, acquired.
# The compiler, the image code and the rule engine are instrumented for the fuzzer.
file(GLOB kv_fuzz_image_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/driverdata/*.cpp)
kv_fuzz_target(image_file ${CMAKE_CURRENT_LIST_DIR}/image_file_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/image_file
               LIBS kvcommon INSTRUMENT ${kv_fuzz_image_sources})
