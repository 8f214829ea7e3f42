# kvhost ui document|device (docprops --prompt, printer properties): the model's sheets opened on a machine root that set-up made, driven by the
# sample scripts; every bad script names its line and exits 1.
# Each run starts from an empty root, so the first opening below is the printer's first.
add_test(NAME kvhost_sheets_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_CURRENT_BINARY_DIR}/sheets_root)
set_tests_properties(kvhost_sheets_clean PROPERTIES FIXTURES_SETUP kvhost_sheets_empty RESOURCE_LOCK kvhost_sheets_root)
add_test(NAME kvhost_sheets_setup COMMAND kvhost setup --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root)
set_tests_properties(kvhost_sheets_setup PROPERTIES FIXTURES_REQUIRED kvhost_sheets_empty
  FIXTURES_SETUP kvhost_sheets_root RESOURCE_LOCK kvhost_sheets_root)
set(KV_SHEETS_PRINTER "KAVRO Lumeta QT M8350 ZARN")
set(KV_SHEETS_SAMPLES ${CMAKE_CURRENT_SOURCE_DIR}/kvhost/samples/ui)
# The first device sheet of the printer runs the preset installation and shows its notice once; the
# tests below start after it, whatever order they run in.
add_test(NAME kvhost_sheets_first_open
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root ui device ${KV_SHEETS_PRINTER}
          --script ${KV_SHEETS_SAMPLES}/first-open.txt)
set_tests_properties(kvhost_sheets_first_open PROPERTIES
  PASS_REGULAR_EXPRESSION "sheet: cancelled"
  FIXTURES_REQUIRED kvhost_sheets_root FIXTURES_SETUP kvhost_sheets_opened RESOURCE_LOCK kvhost_sheets_root)

add_test(NAME kvhost_sheets_document_pictures
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root docprops ${KV_SHEETS_PRINTER} --prompt
          --pictures ${CMAKE_CURRENT_BINARY_DIR}/sheets_doc)
set_tests_properties(kvhost_sheets_document_pictures PROPERTIES
  PASS_REGULAR_EXPRESSION "pages: 1001 1002 1003 1004 1005 1006 1010 4023\nwrote [^\n]*/1001\\.png \\(406 x 452\\)\n.*/4023\\.png [^\n]*\nsheet: cancelled"
  FIXTURES_REQUIRED "kvhost_sheets_root;kvhost_sheets_opened" RESOURCE_LOCK kvhost_sheets_root)
add_test(NAME kvhost_sheets_device_pictures
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root printer properties ${KV_SHEETS_PRINTER}
          --pictures ${CMAKE_CURRENT_BINARY_DIR}/sheets_dev)
set_tests_properties(kvhost_sheets_device_pictures PROPERTIES
  PASS_REGULAR_EXPRESSION "pages: 1008 1011 1015 4019\nwrote [^\n]*/1008\\.png .*/4019\\.png [^\n]*\nsheet: cancelled"
  FIXTURES_REQUIRED "kvhost_sheets_root;kvhost_sheets_opened" RESOURCE_LOCK kvhost_sheets_root)
foreach(s ok cancel)
  add_test(NAME kvhost_sheets_document_${s}
    COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root docprops ${KV_SHEETS_PRINTER} --prompt
            --script ${KV_SHEETS_SAMPLES}/${s}.txt)
  add_test(NAME kvhost_sheets_device_${s}
    COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root ui device ${KV_SHEETS_PRINTER}
            --script ${KV_SHEETS_SAMPLES}/${s}.txt)
endforeach()
set_tests_properties(kvhost_sheets_document_ok kvhost_sheets_device_ok PROPERTIES PASS_REGULAR_EXPRESSION "sheet: OK")
set_tests_properties(kvhost_sheets_document_cancel kvhost_sheets_device_cancel PROPERTIES
  PASS_REGULAR_EXPRESSION "sheet: cancelled")
set_tests_properties(kvhost_sheets_document_ok kvhost_sheets_device_ok kvhost_sheets_document_cancel
  kvhost_sheets_device_cancel PROPERTIES FIXTURES_REQUIRED "kvhost_sheets_root;kvhost_sheets_opened" RESOURCE_LOCK kvhost_sheets_root)

# Bad scripts: {file, the message naming its line}.
set(KV_SHEETS_BAD
  "unknown_action|script line 3: unknown action 'wiggle'"
  "missing_argument|script line 2: select: wrong number of arguments"
  "missing_page|script line 2: page: the sheet has no page 9999"
  "missing_control|script line 2: click: no control 64000 in [^\n]*")
foreach(row ${KV_SHEETS_BAD})
  string(REPLACE "|" ";" parts "${row}")
  list(GET parts 0 name)
  list(GET parts 1 message)
  add_test(NAME kvhost_sheets_bad_${name}
    COMMAND ${CMAKE_COMMAND} -DKVHOST=$<TARGET_FILE:kvhost> -DROOT=${CMAKE_CURRENT_BINARY_DIR}/sheets_root
            -DPRINTER=${KV_SHEETS_PRINTER} -DSCRIPT=${KV_SHEETS_SAMPLES}/bad/${name}.txt
            -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/sheets_bad_script.cmake)
  set_tests_properties(kvhost_sheets_bad_${name} PROPERTIES PASS_REGULAR_EXPRESSION "${message}\nexit 1"
    FIXTURES_REQUIRED "kvhost_sheets_root;kvhost_sheets_opened" RESOURCE_LOCK kvhost_sheets_root)
endforeach()

# kvhost ui dialog: one driver dialog through the sub-dialog launcher; a cancelled one rolls back, an
# accepted one keeps its changes, a dialog the model lacks opens nothing.
add_test(NAME kvhost_dialog_cancel
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root ui dialog ${KV_SHEETS_PRINTER} 1018
          --png ${CMAKE_CURRENT_BINARY_DIR}/sheets_dialog/1018.png)
set_tests_properties(kvhost_dialog_cancel PROPERTIES
  PASS_REGULAR_EXPRESSION "wrote [^\n]*/1018\\.png \\([0-9]+ x [0-9]+\\)\ndialog 1018: result 2, rolled back\nno setting changed")
add_test(NAME kvhost_dialog_ok
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root ui dialog ${KV_SHEETS_PRINTER} 1018 --device
          --script ${KV_SHEETS_SAMPLES}/dialog-ok.txt)
set_tests_properties(kvhost_dialog_ok PROPERTIES PASS_REGULAR_EXPRESSION "dialog 1018: result 1, accepted\n")
add_test(NAME kvhost_dialog_sheet
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root ui dialog ${KV_SHEETS_PRINTER} 1003 --mode 16)
set_tests_properties(kvhost_dialog_sheet PROPERTIES PASS_REGULAR_EXPRESSION "dialog 1003: result 0, rolled back\n")
add_test(NAME kvhost_dialog_missing
  COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/sheets_root ui dialog ${KV_SHEETS_PRINTER} 999)
set_tests_properties(kvhost_dialog_missing PROPERTIES
  PASS_REGULAR_EXPRESSION "the model has no dialog 999\n.*dialog 999: result 0, rolled back")
set_tests_properties(kvhost_dialog_cancel kvhost_dialog_ok kvhost_dialog_sheet kvhost_dialog_missing PROPERTIES
  FIXTURES_REQUIRED "kvhost_sheets_root;kvhost_sheets_opened" RESOURCE_LOCK kvhost_sheets_root)
