# Texts of the resource libraries as formats: arbitrary format text with text and number inserts through
# the common library's bounded formatter and the bounded appends.
kv_fuzz_target(resource_format ${CMAKE_CURRENT_LIST_DIR}/resource_format_fuzz.cpp
               ${CMAKE_CURRENT_LIST_DIR}/corpus/resource_format LIBS kvcommon kvplatform
               INSTRUMENT ${CMAKE_SOURCE_DIR}/common/config/resource_strings.cpp)
