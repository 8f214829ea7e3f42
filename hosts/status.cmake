# kvhost status: the status-monitor stand-in reads the status-data library's public header (types
# only; the library itself is loaded by name at run time) and writes its pictures with libpng.
find_package(PNG REQUIRED)
target_link_libraries(kvhost PRIVATE PNG::PNG)
target_include_directories(kvhost PRIVATE ${CMAKE_SOURCE_DIR})

# The status tests run on a machine root that set-up made: the monitor loads the status library from the
# installed driver folder.
add_test(NAME kvhost_status_setup COMMAND kvhost setup --root ${CMAKE_CURRENT_BINARY_DIR}/status_root)
set_tests_properties(kvhost_status_setup PROPERTIES FIXTURES_SETUP kvhost_status_root
  RESOURCE_LOCK kvhost_status_root)

# The stand-in end to end: a canned reply shown in German, with its picture written.
add_test(NAME kvhost_status_de
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/status_root status
          --reply ${CMAKE_SOURCE_DIR}/statusdata/tests/fixtures/tray1_empty.txt --lang de
          --png ${CMAKE_CURRENT_BINARY_DIR}/status_de.png)
set_tests_properties(kvhost_status_de PROPERTIES
  PASS_REGULAR_EXPRESSION "status: Kein Papier\nLegen Sie Papier in das angezeigte Papiermagazin ein.\nMagazin 1 \\(Papierrolle 1\\)\n.*picture written"
  FIXTURES_REQUIRED kvhost_status_root RESOURCE_LOCK kvhost_status_root)

# Every canned reply gives a text and a picture.
file(GLOB KV_STATUS_FIXTURES ${CMAKE_SOURCE_DIR}/statusdata/tests/fixtures/*.txt)
foreach(f ${KV_STATUS_FIXTURES})
  get_filename_component(n ${f} NAME_WE)
  add_test(NAME kvhost_status_${n}
    COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/status_root status --reply ${f}
            --png ${CMAKE_CURRENT_BINARY_DIR}/status_${n}.png)
  set_tests_properties(kvhost_status_${n} PROPERTIES PASS_REGULAR_EXPRESSION "status: .*picture written"
    FIXTURES_REQUIRED kvhost_status_root RESOURCE_LOCK kvhost_status_root)
endforeach()

# Corrected wording reaches the monitor: resetting (not putting back) the job in Dutch, "detected" in
# Hungarian, the paper exit as a noun in Danish.
set(KV_STATUS_WORDING
  "nl|input_tray_problem|Er is een probleem met de invoerlade gedetecteerd.\nReset de taak."
  "hu|input_tray_problem|A rendszer a bemeneti tálcával kapcsolatos problémát észlelt."
  "da|exit_cover|Luk det viste dæksel.\nDæksel til papirudgang")
foreach(row ${KV_STATUS_WORDING})
  string(REPLACE "|" ";" parts "${row}")
  list(GET parts 0 lang)
  list(GET parts 1 fixture)
  list(GET parts 2 text)
  add_test(NAME kvhost_status_wording_${lang}
    COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/status_root status
            --reply ${CMAKE_SOURCE_DIR}/statusdata/tests/fixtures/${fixture}.txt --lang ${lang}
            --png ${CMAKE_CURRENT_BINARY_DIR}/status_wording_${lang}.png)
  set_tests_properties(kvhost_status_wording_${lang} PROPERTIES PASS_REGULAR_EXPRESSION "${text}"
    FIXTURES_REQUIRED kvhost_status_root RESOURCE_LOCK kvhost_status_root)
endforeach()
