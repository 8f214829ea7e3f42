# Resource directories of modules opened as data files: any bytes through the directory checks, then
# every look-up the loader makes into a directory it accepted.
kv_fuzz_target(resource_dir ${CMAKE_CURRENT_LIST_DIR}/resource_dir_fuzz.cpp
               ${CMAKE_CURRENT_LIST_DIR}/corpus/resource_dir LIBS kvplatform
               INCLUDES ${CMAKE_SOURCE_DIR}/platform/src/resource
               INSTRUMENT ${CMAKE_SOURCE_DIR}/platform/src/resource/resource.cpp)
