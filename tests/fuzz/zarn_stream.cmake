# ZARN print streams read by zarndump's decoder.
kv_fuzz_target(zarn_stream ${CMAKE_CURRENT_LIST_DIR}/zarn_stream_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/zarn_stream
               LIBS kvzarndecode INCLUDES ${CMAKE_SOURCE_DIR}/hosts/zarndump
               INSTRUMENT ${CMAKE_SOURCE_DIR}/hosts/zarndump/zarn_decode.cpp)
