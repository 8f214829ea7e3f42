# zarndump: the print-stream decoder. The decoder itself is a library shared with its tests and fuzz target.
add_library(kvzarndecode STATIC ${CMAKE_CURRENT_SOURCE_DIR}/zarndump/zarn_decode.cpp)
target_include_directories(kvzarndecode PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/zarndump)
add_executable(zarndump ${CMAKE_CURRENT_SOURCE_DIR}/zarndump/main.cpp)
target_link_libraries(zarndump PRIVATE kvzarndecode)
set_target_properties(zarndump PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
kv_sanitizer_defaults(zarndump)

# Round trips through the encoder of the graphics library and the decoder.
file(GLOB KV_ZARNDUMP_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/zarndump/tests/*.cpp)
kv_gtest(zarndump_tests SOURCES ${KV_ZARNDUMP_TESTS} LIBS kvzarndecode kvgraphics)
if(TARGET zarndump_tests)
  target_include_directories(zarndump_tests PRIVATE ${CMAKE_SOURCE_DIR}/graphics/tests)
endif()

# kvhost print end to end: a new machine with the driver set, a job of two pages, its stream decoded.
add_test(NAME kvhost_print_two_pages
  COMMAND sh -c "d=$(mktemp -d) && \"$1\" setup --root \"$d/root\" >/dev/null && \
\"$1\" --root \"$d/root\" print 'KAVRO Lumeta QT M8350 ZARN' --pages 2 --out \"$d/job.zarn\" >/dev/null && \
\"$2\" --summary \"$d/job.zarn\" && \"$2\" \"$d/job.zarn\"; s=$?; rm -rf \"$d\"; exit $s"
  sh $<TARGET_FILE:kvhost> $<TARGET_FILE:zarndump>)
set_tests_properties(kvhost_print_two_pages PROPERTIES
  PASS_REGULAR_EXPRESSION "page 1: 4 blocks, 2 records, 20 record bytes, [0-9]+ bytes\npage 2: 4 blocks, 2 records, 20 record bytes, [0-9]+ bytes\njob: 2 blocks, [0-9]+ bytes before the first page\ntotal: 2 pages, 10 blocks, 4 records, [0-9]+ bytes\nblock 243 job-header length [0-9]+\n  [|] .x1B%-12345X@PJL .r.n\n  [|] @PJL JOB .r.n\n(  [|] [^\n]*\n)*  [|] @PJL ENTER LANGUAGE = ZARN .r.n\nblock 243 job-header length 40\n  [|] @PJL SET JOBNAME = .kvhost sample job.[^\n]*\nblock 244 page-header"
  ENVIRONMENT "KV_MODULE_DIR=${KV_MODULE_DIR}")
add_test(NAME kvhost_print_unknown_printer COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/print_root print Nobody)
set_tests_properties(kvhost_print_unknown_printer PROPERTIES WILL_FAIL TRUE)

# kvhost print with changed document settings: they reach the job header and the page header.
add_test(NAME kvhost_print_settings
  COMMAND sh -c "d=$(mktemp -d) && \"$1\" setup --root \"$d/root\" >/dev/null && \
\"$1\" --root \"$d/root\" print 'KAVRO Lumeta QT M8350 ZARN' --paper A0 --orientation landscape --copies 2 \
--title 'Site plan' --out \"$d/job.zarn\" >/dev/null && \"$2\" \"$d/job.zarn\"; s=$?; rm -rf \"$d\"; exit $s"
  sh $<TARGET_FILE:kvhost> $<TARGET_FILE:zarndump>)
set_tests_properties(kvhost_print_settings PROPERTIES
  PASS_REGULAR_EXPRESSION "  [|] @PJL SET COPIES = 2 .r.n\n(  [|] [^\n]*\n)*  [|] @PJL SET APLPAGESIZE = A0 .r.n\n(  [|] [^\n]*\n)*  [|] @PJL SET ORIENTATION = LANDSCAPE .r.n\n(  [|] [^\n]*\n)*block 243 job-header length 32\n  [|] @PJL SET JOBNAME = .Site plan.[^\n]*\nblock 244 page-header length [0-9]+\n  [|] @PJL COMMENT PAGE .r.n\n  [|] @PJL SET PAGESIZE = A0 .r.n"
  ENVIRONMENT "KV_MODULE_DIR=${KV_MODULE_DIR}")
# Settings a user mistypes are refused before anything is printed.
foreach(bad "--copies;0" "--paper;A9" "--paper;10x0mm" "--orientation;upright" "--resolution;-1")
  string(REPLACE ";" "_" name "${bad}")
  list(GET bad 0 option)
  list(GET bad 1 value)
  add_test(NAME kvhost_print_refuses${name}
    COMMAND sh -c "d=$(mktemp -d) && \"$1\" machine init \"$d/root\" >/dev/null && \
\"$1\" --root \"$d/root\" print 'KAVRO Lumeta QT M8350 ZARN' \"$2\" \"$3\"; s=$?; rm -rf \"$d\"; exit $s"
    sh $<TARGET_FILE:kvhost> ${option} ${value})
  set_tests_properties(kvhost_print_refuses${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "print: --(copies|paper|orientation|resolution) takes")
endforeach()
