# kvhost status: the status-monitor stand-in reads the status-data library's public header (types
# only; the library itself is loaded by name at run time) and writes its pictures with libpng.
find_package(PNG REQUIRED)
target_link_libraries(kvhost PRIVATE PNG::PNG)
target_include_directories(kvhost PRIVATE ${CMAKE_SOURCE_DIR})
