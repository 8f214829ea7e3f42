# Shared build settings and helpers.

set(KV_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
# GCC 12 reports -Wrestrict for std::string concatenation inlined at -O2 (a false positive of that
# compiler, fixed in 13); every build must be free of warnings, so that one is switched off there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND KV_WARNINGS -Wno-restrict)
endif()
add_compile_options(${KV_WARNINGS})

if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_options(-O1 -g)
endif()

if(KV_SANITIZE)
  # The sanitized build is the CI build: it treats every warning as an error.
  add_compile_options(-Werror)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The sanitizers' options of every run: the tests set them in their environment, the host programs
# build them in (kv_sanitizer_defaults). The sanitizer's tracking of thread-local blocks handed out by
# __tls_get_addr misreads the block of a library loaded with dlopen that links its own copy of the common
# library, and the leak check at exit then crashes; leaks are still checked, only those dynamic blocks
# are not scanned as roots.
set(KV_ASAN_DEFAULTS "detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0")
set(KV_UBSAN_DEFAULTS "print_stacktrace=1")

# kv_sanitizer_defaults(TARGET): a program that starts with those options in a sanitized build.
function(kv_sanitizer_defaults target)
  if(KV_SANITIZE)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/hosts/sanitizer_defaults.cpp)
    target_compile_definitions(${target} PRIVATE KV_ASAN_DEFAULTS="${KV_ASAN_DEFAULTS}"
                               KV_UBSAN_DEFAULTS="${KV_UBSAN_DEFAULTS}")
  endif()
endfunction()

# Where built modules land, so tests and hosts find them beside each other.
set(KV_MODULE_DIR ${CMAKE_BINARY_DIR}/modules)
file(MAKE_DIRECTORY ${KV_MODULE_DIR})

# kv_gtest(NAME SOURCES... LIBS ...): one GoogleTest program registered with CTest.
function(kv_gtest name)
  cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT KV_SOURCES)
    return()
  endif()
  add_executable(${name} ${KV_SOURCES})
  target_link_libraries(${name} PRIVATE ${KV_LIBS} GTest::gtest GTest::gtest_main pthread)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE KV_MODULE_DIR="${KV_MODULE_DIR}"
                             KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KV_BINARY_DIR="${CMAKE_BINARY_DIR}")
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=${KV_ASAN_DEFAULTS};UBSAN_OPTIONS=${KV_UBSAN_DEFAULTS};KV_MODULE_DIR=${KV_MODULE_DIR}")
endfunction()

# kv_glob_tests(VAR DIR): the test sources of a folder.
function(kv_glob_tests var dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/tests/*.cpp)
  set(${var} ${srcs} PARENT_SCOPE)
endfunction()

# kv_benchmark(NAME SOURCES... LIBS ...)
function(kv_benchmark name)
  cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT KV_BENCH OR NOT KV_SOURCES)
    return()
  endif()
  add_executable(${name} ${KV_SOURCES})
  target_link_libraries(${name} PRIVATE ${KV_LIBS} benchmark::benchmark pthread)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE KV_MODULE_DIR="${KV_MODULE_DIR}" KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()

# kv_fuzz_target(NAME SOURCE CORPUS_DIR LIBS ... [INCLUDES dirs...] [INSTRUMENT sources...]): with KV_FUZZ
# and clang a libFuzzer binary; always a replay program that runs every file of the seed corpus as a test.
# The fuzzer steers by the coverage of the code under test, so the INSTRUMENT sources are compiled once
# more with coverage into a library that goes ahead of LIBS in the fuzzer binary.
function(kv_fuzz_target name source corpus)
  cmake_parse_arguments(KV "" "" "LIBS;INCLUDES;INSTRUMENT" ${ARGN})
  add_executable(${name}_replay ${source} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE ${KV_LIBS} pthread)
  target_include_directories(${name}_replay PRIVATE ${CMAKE_SOURCE_DIR}/tests/support ${KV_INCLUDES})
  target_compile_definitions(${name}_replay PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KV_MODULE_DIR="${KV_MODULE_DIR}")
  add_test(NAME fuzz_replay_${name} COMMAND ${name}_replay ${corpus})
  set_tests_properties(fuzz_replay_${name} PROPERTIES ENVIRONMENT "KV_MODULE_DIR=${KV_MODULE_DIR}")
  if(KV_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name}_fuzz ${source})
    target_compile_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
    set(libs ${KV_LIBS})
    if(KV_INSTRUMENT)
      add_library(${name}_instrumented STATIC ${KV_INSTRUMENT})
      target_include_directories(${name}_instrumented PUBLIC ${CMAKE_SOURCE_DIR}/common ${KV_INCLUDES})
      target_link_libraries(${name}_instrumented PUBLIC kvplatform)
      target_compile_options(${name}_instrumented PRIVATE -fsanitize=fuzzer-no-link)
      list(PREPEND libs ${name}_instrumented)
    endif()
    target_link_libraries(${name}_fuzz PRIVATE ${libs} pthread)
    target_include_directories(${name}_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/tests/support ${KV_INCLUDES})
    target_compile_definitions(${name}_fuzz PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KV_MODULE_DIR="${KV_MODULE_DIR}")
  endif()
endfunction()

# kv_fuzz_common_sources(VAR): every source of the common library, for targets that reach it through
# several of its areas.
function(kv_fuzz_common_sources var)
  set(srcs)
  foreach(part settings driverdata config devlink)
    file(GLOB part_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/${part}/*.cpp)
    list(APPEND srcs ${part_srcs})
  endforeach()
  set(${var} ${srcs} PARENT_SCOPE)
endfunction()

# kv_module(NAME SOURCES... LIBS ...): a shared object loaded by its driver name
# (no "lib" prefix), every symbol hidden except what the sources export.
function(kv_module name)
  cmake_parse_arguments(KV "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${KV_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
                        VISIBILITY_INLINES_HIDDEN ON LIBRARY_OUTPUT_DIRECTORY ${KV_MODULE_DIR})
  target_link_libraries(${name} PRIVATE ${KV_LIBS})
  # Unresolved names are a build error, except where clang keeps the sanitizer runtime out of modules.
  if(NOT (KV_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

# The resource step (resource scripts compiled into modules), when present.
include(${CMAKE_SOURCE_DIR}/cmake/kvres.cmake OPTIONAL)

# The stand-in check over every library and program of the build (common/kvseam.h): run by CTest once
# the whole tree is known. Targets marked KV_STAND_IN_PROBE are the check's own deliberate faults.
function(kv_collect_targets var dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    kv_collect_targets(more ${sub})
    list(APPEND targets ${more})
  endforeach()
  set(${var} ${targets} PARENT_SCOPE)
endfunction()

function(kv_add_stand_in_check)
  kv_collect_targets(targets ${CMAKE_SOURCE_DIR})
  set(files)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    get_target_property(probe ${t} KV_STAND_IN_PROBE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY|STATIC_LIBRARY)$" AND NOT probe)
      list(APPEND files "$<TARGET_FILE:${t}>")
    endif()
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/stand_in_binaries.txt CONTENT "$<JOIN:${files},\n>\n")
  add_test(NAME stand_in_check COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/check_stand_ins.sh
                                       --list ${CMAKE_BINARY_DIR}/stand_in_binaries.txt)
endfunction()
cmake_language(DEFER CALL kv_add_stand_in_check)
