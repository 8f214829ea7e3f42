# Compiled image file: arbitrary bytes as the ".BCS" file beside a valid driver data file, acquired.
# The compiler, the image code, the rule engine and the settings and configuration code that the
# acquisition reaches are instrumented for the fuzzer.
kv_fuzz_common_sources(kv_fuzz_image_sources)
kv_fuzz_target(image_file ${CMAKE_CURRENT_LIST_DIR}/image_file_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/image_file
               LIBS kvcommon INSTRUMENT ${kv_fuzz_image_sources})
