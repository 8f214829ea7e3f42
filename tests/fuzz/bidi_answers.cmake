# Device answers of the bidirectional query: arbitrary bytes as the items a device reports, read by the
# query's answer handlers into the device settings of a settings context.
if(TARGET kvcommon)
  file(GLOB kv_fuzz_bidi_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/devlink/bidi_*.cpp)
  kv_fuzz_target(bidi_answers ${CMAKE_CURRENT_LIST_DIR}/bidi_answers_fuzz.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/corpus/bidi_answers LIBS kvcommon INSTRUMENT ${kv_fuzz_bidi_sources})
  add_dependencies(bidi_answers_replay kv_model_data)
endif()
