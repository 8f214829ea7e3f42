# Settings files: arbitrary bytes as a settings file restored into a settings context with each kind
# of transfer, then offered to the admission tests and converted. The settings model and the
# configuration and rule code these reach are instrumented for the fuzzer.
kv_fuzz_common_sources(kv_fuzz_settings_file_sources)
kv_fuzz_target(settings_file ${CMAKE_CURRENT_LIST_DIR}/settings_file_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/settings_file
               LIBS kvcommon INSTRUMENT ${kv_fuzz_settings_file_sources})
