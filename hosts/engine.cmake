# kvhost engine end to end: a new machine with one printer of the model whose driver folder holds the
# data file, a resource library and the graphics library; the engine stand-in prints its capabilities.
add_test(NAME kvhost_engine_model_printer
  COMMAND sh -c "d=$(mktemp -d) && r=\"$d/root\" && \"$1\" machine init \"$r\" >/dev/null && \
\"$1\" --root \"$r\" printer add Plotter --driver 'KAVRO Lumeta QT M8350 ZARN' >/dev/null && \
f=\"$r/c/Windows/System32/spool/drivers/x64/3\" && cp \"$2/model/kvdrvdat\" \"$f/\" && \
cp \"$3/kvdrvgr.so\" \"$f/\" && cp \"$3/KV8350us.so\" \"$f/KV8350us.DLL\" && \
\"$1\" --root \"$r\" engine Plotter; s=$?; rm -rf \"$d\"; exit $s"
  sh $<TARGET_FILE:kvhost> ${CMAKE_SOURCE_DIR} ${KV_MODULE_DIR})
set_tests_properties(kvhost_engine_model_printer PROPERTIES
  PASS_REGULAR_EXPRESSION "resolution +[0-9]+ x [0-9]+ dpi\n  printable area +[0-9]+ x [0-9]+ dots, [0-9.]+ x [0-9.]+ mm.*colour depth +[0-9]+ bits.*DEVINFO.*palette +(BGR|indexed)"
  ENVIRONMENT "KV_MODULE_DIR=${KV_MODULE_DIR}")
add_test(NAME kvhost_engine_unknown_printer COMMAND kvhost --root ${CMAKE_CURRENT_BINARY_DIR}/engine_root engine Nobody)
set_tests_properties(kvhost_engine_unknown_printer PROPERTIES WILL_FAIL TRUE)
