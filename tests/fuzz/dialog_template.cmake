# Dialog templates as the model's resource libraries hold them: any bytes through the template decoder,
# and a template it accepts built as a dialog (which fails as a whole on what it cannot build).
kv_fuzz_target(dialog_template ${CMAKE_CURRENT_LIST_DIR}/dialog_template_fuzz.cpp
               ${CMAKE_CURRENT_LIST_DIR}/corpus/dialog_template LIBS kvplatform
               INSTRUMENT ${CMAKE_SOURCE_DIR}/platform/src/resource/res_dialog.cpp)
