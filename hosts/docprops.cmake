# kvhost docprops and print without a dialog: the driver hands out its document settings (a DEVMODE of the
# asked paper, the application's request codes), and a print job takes them.
add_test(NAME kvhost_docprops_setup COMMAND kvhost setup --root ${CMAKE_CURRENT_BINARY_DIR}/docprops_root)
set_tests_properties(kvhost_docprops_setup PROPERTIES FIXTURES_SETUP kvhost_docprops_root
  RESOURCE_LOCK kvhost_docprops_root)
set(KV_DOCPROPS_PRINTER "KAVRO Lumeta QT M8350 ZARN")
set(KV_DOCPROPS_RUN kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/docprops_root)

add_test(NAME kvhost_docprops_a0
  COMMAND ${KV_DOCPROPS_RUN} docprops ${KV_DOCPROPS_PRINTER} --paper A0 --orientation landscape
          --out ${CMAKE_CURRENT_BINARY_DIR}/docprops_a0.dm)
set_tests_properties(kvhost_docprops_a0 PROPERTIES FIXTURES_SETUP kvhost_docprops_a0
  PASS_REGULAR_EXPRESSION "DocumentProperties  IDOK \\(1\\)\n.*dmPaperSize +[0-9]+ \\(IDS_PAPERSIZE_[A-Z0-9]+\\) -> 267 \\(IDS_PAPERSIZE_A0\\).*written to [^\n]*docprops_a0\\.dm \\(1236 bytes\\)")
add_test(NAME kvhost_docprops_a0_engine
  COMMAND ${KV_DOCPROPS_RUN} engine ${KV_DOCPROPS_PRINTER} --devmode ${CMAKE_CURRENT_BINARY_DIR}/docprops_a0.dm)
set_tests_properties(kvhost_docprops_a0_engine PROPERTIES FIXTURES_REQUIRED kvhost_docprops_a0
  PASS_REGULAR_EXPRESSION "paper +28087 x 19866 dots, 1189\\.0 x 841\\.0 mm")
add_test(NAME kvhost_docprops_request
  COMMAND ${KV_DOCPROPS_RUN} docprops ${KV_DOCPROPS_PRINTER} --request scale=150,tray=1)
set_tests_properties(kvhost_docprops_request PROPERTIES
  PASS_REGULAR_EXPRESSION "DocumentProperties  IDOK \\(1\\)\n.*rdmScaleH +100 -> 150\n")
# The job asks the driver for its settings (copy, then merge and copy) and gets them.
add_test(NAME kvhost_docprops_print_a0 COMMAND ${KV_DOCPROPS_RUN} print ${KV_DOCPROPS_PRINTER} --paper A0 --trace)
set_tests_properties(kvhost_docprops_print_a0 PROPERTIES
  PASS_REGULAR_EXPRESSION "DrvDocumentProperties [^\n]*fMode=2 -> 1\n[^\n]*DrvDocumentProperties [^\n]*fMode=10 -> 1\n.*printed job"
  FAIL_REGULAR_EXPRESSION "gave no document settings")
set_tests_properties(kvhost_docprops_a0 kvhost_docprops_a0_engine kvhost_docprops_request kvhost_docprops_print_a0
  PROPERTIES FIXTURES_REQUIRED kvhost_docprops_root RESOURCE_LOCK kvhost_docprops_root)

# The document sheet: A3 chosen in the paper-size combo of page 1002 goes through the rules and OK
# commits it into the caller's DEVMODE.
add_test(NAME kvhost_docprops_prompt_a3
  COMMAND ${KV_DOCPROPS_RUN} docprops ${KV_DOCPROPS_PRINTER} --prompt
          --script ${CMAKE_CURRENT_SOURCE_DIR}/kvhost/samples/ui/paper-a3.txt --out ${CMAKE_CURRENT_BINARY_DIR}/docprops_a3.dm)
set_tests_properties(kvhost_docprops_prompt_a3 PROPERTIES FIXTURES_SETUP kvhost_docprops_a3
  FIXTURES_REQUIRED kvhost_docprops_root RESOURCE_LOCK kvhost_docprops_root
  PASS_REGULAR_EXPRESSION "sheet: OK\n.*dmPaperSize: [0-9]+ -> 8\n.*wrote [^\n]*docprops_a3\\.dm \\(1236 bytes\\)")
add_test(NAME kvhost_docprops_a3_engine
  COMMAND ${KV_DOCPROPS_RUN} engine ${KV_DOCPROPS_PRINTER} --devmode ${CMAKE_CURRENT_BINARY_DIR}/docprops_a3.dm)
set_tests_properties(kvhost_docprops_a3_engine PROPERTIES FIXTURES_REQUIRED "kvhost_docprops_a3;kvhost_docprops_root"
  RESOURCE_LOCK kvhost_docprops_root PASS_REGULAR_EXPRESSION "paper +7016 x 9921 dots, 297\\.0 x 420\\.0 mm")
