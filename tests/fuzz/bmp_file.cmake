# The picture loader of the sheets on arbitrary bytes as a BMP file a user picked.
if(TARGET kvui)
  kv_fuzz_target(bmp_file ${CMAKE_CURRENT_LIST_DIR}/bmp_file_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/bmp_file
                 LIBS kvui INCLUDES ${CMAKE_SOURCE_DIR}/ui ${CMAKE_SOURCE_DIR}/ui/entry
                 INSTRUMENT ${CMAKE_SOURCE_DIR}/ui/sheets/dlg_pictures.cpp)
endif()
