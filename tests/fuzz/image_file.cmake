# Compiled image file: arbitrary bytes as the ".BCS" file beside a valid driver data file, acquired.
kv_fuzz_target(image_file ${CMAKE_CURRENT_LIST_DIR}/image_file_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/image_file
               LIBS kvcommon)
