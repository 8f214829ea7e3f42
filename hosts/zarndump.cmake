# zarndump: the print-stream decoder. The decoder itself is a library shared with its tests and fuzz target.
add_library(kvzarndecode STATIC ${CMAKE_CURRENT_SOURCE_DIR}/zarndump/zarn_decode.cpp)
target_include_directories(kvzarndecode PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/zarndump)
add_executable(zarndump ${CMAKE_CURRENT_SOURCE_DIR}/zarndump/main.cpp)
target_link_libraries(zarndump PRIVATE kvzarndecode)
set_target_properties(zarndump PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Round trips through the encoder of the graphics library and the decoder.
file(GLOB KV_ZARNDUMP_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/zarndump/tests/*.cpp)
kv_gtest(zarndump_tests SOURCES ${KV_ZARNDUMP_TESTS} LIBS kvzarndecode kvgraphics)
if(TARGET zarndump_tests)
  target_include_directories(zarndump_tests PRIVATE ${CMAKE_SOURCE_DIR}/graphics/tests)
endif()
