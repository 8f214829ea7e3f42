# DEVMODE intake: arbitrary bytes as a caller's DEVMODE through the bounds check, the validators, the
# copy into a store and the merge into a settings context. The settings model and the configuration and
# rule code the merge calls are instrumented for the fuzzer.
kv_fuzz_common_sources(kv_fuzz_devmode_sources)
kv_fuzz_target(devmode ${CMAKE_CURRENT_LIST_DIR}/devmode_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/corpus/devmode
               LIBS kvcommon INSTRUMENT ${kv_fuzz_devmode_sources})
